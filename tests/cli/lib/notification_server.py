# A small desktop notification service for the whole-program tests: owns
# org.freedesktop.Notifications on the session bus, appends each Notify it
# receives to the file named by its first argument (one JSON object a line:
# id, summary, body, actions), and answers the first notification by
# invoking the action named by its second argument half a second later, as
# a user clicking it would.
import json, sys
import gi
gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib

LOG, ANSWER = sys.argv[1], sys.argv[2]
PATH, IFACE = "/org/freedesktop/Notifications", "org.freedesktop.Notifications"
XML = """<node><interface name="org.freedesktop.Notifications">
<method name="Notify"><arg type="s" direction="in"/><arg type="u" direction="in"/>
<arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="s" direction="in"/>
<arg type="as" direction="in"/><arg type="a{sv}" direction="in"/><arg type="i" direction="in"/>
<arg type="u" direction="out"/></method>
<method name="CloseNotification"><arg type="u" direction="in"/></method>
<method name="GetCapabilities"><arg type="as" direction="out"/></method>
<method name="GetServerInformation"><arg type="s" direction="out"/><arg type="s" direction="out"/>
<arg type="s" direction="out"/><arg type="s" direction="out"/></method>
<signal name="ActionInvoked"><arg type="u"/><arg type="s"/></signal>
<signal name="NotificationClosed"><arg type="u"/><arg type="u"/></signal>
</interface></node>"""

bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
count = [0]

def answer(nid):
    bus.emit_signal(None, PATH, IFACE, "ActionInvoked", GLib.Variant("(us)", (nid, ANSWER)))
    bus.emit_signal(None, PATH, IFACE, "NotificationClosed", GLib.Variant("(uu)", (nid, 3)))
    return False

def on_call(conn, sender, path, iface, method, params, invocation):
    if method == "Notify":
        app, replaces, icon, summary, body, actions, hints, timeout = params.unpack()
        count[0] += 1
        nid = count[0]
        with open(LOG, "a") as f:
            f.write(json.dumps({"id": nid, "summary": summary, "body": body,
                                "actions": actions}) + "\n")
        invocation.return_value(GLib.Variant("(u)", (nid,)))
        if nid == 1:
            GLib.timeout_add(500, answer, nid)
    elif method == "GetCapabilities":
        invocation.return_value(GLib.Variant("(as)", (["actions", "body"],)))
    elif method == "GetServerInformation":
        invocation.return_value(GLib.Variant("(ssss)", ("test", "dornwatch", "1", "1.2")))
    else:
        invocation.return_value(None)

node = Gio.DBusNodeInfo.new_for_xml(XML)
bus.register_object(PATH, node.interfaces[0], on_call, None, None)
Gio.bus_own_name_on_connection(bus, IFACE, Gio.BusNameOwnerFlags.NONE, None, None)
GLib.MainLoop().run()

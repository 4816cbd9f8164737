# A minimal tray host for the whole-program tests: owns
# org.kde.StatusNotifierWatcher on the session bus, says a host is there,
# and writes each item that registers (its bus name and object path, one a
# line) to the file named by its first argument.  It touches the file named
# by its second argument once it owns the name, so that the program started
# after it finds a tray.
import sys
import gi
gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib

ITEMS, READY = sys.argv[1], sys.argv[2]
PATH, IFACE = "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher"
XML = """<node><interface name="org.kde.StatusNotifierWatcher">
<method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
<method name="RegisterStatusNotifierHost"><arg type="s" direction="in"/></method>
<property name="RegisteredStatusNotifierItems" type="as" access="read"/>
<property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
<property name="ProtocolVersion" type="i" access="read"/>
<signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
<signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
<signal name="StatusNotifierHostRegistered"/>
</interface></node>"""

bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
items = []

def on_call(conn, sender, path, iface, method, params, invocation):
    if method == "RegisterStatusNotifierItem":
        (arg,) = params.unpack()
        # An item names its path (its bus name is the sender) or its name.
        item = sender + " " + arg if arg.startswith("/") else arg + " /StatusNotifierItem"
        items.append(item)
        with open(ITEMS, "a") as f:
            f.write(item + "\n")
        conn.emit_signal(None, PATH, IFACE, "StatusNotifierItemRegistered",
                         GLib.Variant("(s)", (arg,)))
    invocation.return_value(None)

def on_get(conn, sender, path, iface, prop):
    if prop == "RegisteredStatusNotifierItems":
        return GLib.Variant("as", items)
    if prop == "IsStatusNotifierHostRegistered":
        return GLib.Variant("b", True)
    return GLib.Variant("i", 0)

def on_owned(conn, name):
    open(READY, "w").close()

node = Gio.DBusNodeInfo.new_for_xml(XML)
bus.register_object(PATH, node.interfaces[0], on_call, on_get, None)
Gio.bus_own_name_on_connection(bus, IFACE, Gio.BusNameOwnerFlags.NONE, on_owned, None)
GLib.MainLoop().run()

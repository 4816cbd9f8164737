#!/bin/bash
# The tray icon on a session with a tray: a small host of the test's own
# (lib/tray_watcher.py, a StatusNotifierWatcher on the session bus) takes the
# program's item; its tooltip and menu, read over the bus as a tray reads
# them, show the next task; with "KeepInTray=1" the frame's close box hides
# the frame and the program keeps running; the menu's Show Dornwatch brings
# it back and its Exit ends the program with 0.
set -u
BUILD=${1:?build folder}
source "$(dirname "$0")/lib/a11y_session.sh"
export TRAY_ITEMS="$WORK/tray-items" TRAY_READY="$WORK/tray-ready" PY
mkdir -p "$DORNWATCH_CONFIG"
printf '[Settings]\r\nStartUpSchedule=1\r\n[Desktop]\r\nKeepInTray=1\r\n' >"$DORNWATCH_CONFIG/DORN.INI"
"$BUILD/dornctl" add --description "Backup" --type message --message "Back up" \
  --schedule once --date 2030-01-01 --time 09:00:00 >/dev/null || { echo "dornctl add failed"; exit 1; }
# The tray is there before the program starts, as on a desktop.
cat >"$WORK/before.sh" <<SH
"\$PY" "$A11Y_LIB/tray_watcher.py" "$TRAY_ITEMS" "$TRAY_READY" &
for _ in \$(seq 1 100); do [ -e "$TRAY_READY" ] && break; sleep 0.1; done
SH

cat >"$WORK/driver.py" <<'PY'
import ctypes, os, subprocess, sys
import gi
gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib
from a11y_driver import *

bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
def call(name, path, iface, method, args, reply):
    return bus.call_sync(name, path, iface, method, args, GLib.VariantType(reply),
                         Gio.DBusCallFlags.NONE, 5000, None).unpack()

wait("the frame", lambda: top("Dornwatch '96"))
item = wait("the tray item", lambda: open(os.environ["TRAY_ITEMS"]).read().split())
name, path = item[0], item[1]
def prop(p):
    return call(name, path, "org.freedesktop.DBus.Properties", "Get",
                GLib.Variant("(ss)", ("org.kde.StatusNotifierItem", p)), "(v)")[0]
NEXT = "Backup JAN  1, 2030  9:00AM"
wait("the tooltip", lambda: NEXT in str(prop("ToolTip")))
menu = prop("Menu")

def layout():
    """(id, label, enabled, toggle-state) of each item that is not a separator."""
    _, (_, _, children) = call(name, menu, "com.canonical.dbusmenu", "GetLayout",
                               GLib.Variant("(iias)", (0, -1, [])), "(u(ia{sv}av))")
    return [(i, p.get("label", ""), p.get("enabled", True), p.get("toggle-state"))
            for i, p, _ in children if p.get("type") != "separator" and p.get("visible", True)]
def labels():
    return [l for _, l, _, _ in layout()]
want = ["Show Dornwatch", "View Schedule", NEXT, "Scheduler Active", "Exit"]
wait("the menu " + repr(want), lambda: labels() == want)
items = {l: (i, e, t) for i, l, e, t in layout()}
if items[NEXT][1] or items["Scheduler Active"][2] != 1:
    sys.exit("menu states: %r" % layout())
print("tray menu:", labels())

def click(label):
    i = {l: i for i, l, _, _ in layout()}[label]
    call(name, menu, "com.canonical.dbusmenu", "Event",
         GLib.Variant("(isvu)", (i, "clicked", GLib.Variant("s", ""), 0)), "()")

# The close box, as a window manager sends it: WM_DELETE_WINDOW.
class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]
class Event(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]
def close_box(wid):
    x = ctypes.cdll.LoadLibrary("libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                             ctypes.c_void_p]
    x.XFlush.argtypes = [ctypes.c_void_p]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    d = x.XOpenDisplay(None)
    e = Event()
    e.xclient.type = 33  # ClientMessage
    e.xclient.window = wid
    e.xclient.message_type = x.XInternAtom(d, b"WM_PROTOCOLS", 0)
    e.xclient.format = 32
    e.xclient.data[0] = x.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
    x.XSendEvent(d, wid, 0, 0, ctypes.byref(e))
    x.XFlush(d)
    x.XCloseDisplay(d)

close_box(int(wait("the frame's X window", lambda: xwindow("^Dornwatch '96"))))
wait("the frame hidden", lambda: xwindow("^Dornwatch '96") is None)
print("closed to the tray: ok")
click("Show Dornwatch")
wait("the frame shown again", lambda: xwindow("^Dornwatch '96"))
print("shown again: ok")
click("Exit")
PY
run_a11y_driver
echo "dornwatch tray: ok"

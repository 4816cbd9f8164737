#!/usr/bin/python3
# A minimal system tray of the X desktop for the whole-program tests: it
# owns the tray selection (_NET_SYSTEM_TRAY_S0) of screen 0, announces
# itself with a MANAGER message, and docks every icon that asks
# (SYSTEM_TRAY_REQUEST_DOCK) into its own window at the bottom right corner
# of the screen (where no window of the program opens), one 24-pixel cell
# after another, as a panel's tray does.
# Usage: xembed_tray.py READY_FILE DOCKED_FILE
#   READY_FILE   written once the selection is taken
#   DOCKED_FILE  one line per docked icon: its X window ID and the screen
#                position and size of its cell ("ID X Y W H")
# Talks to the X server through libX11 with ctypes, so it needs nothing
# beyond the Python of the system.
import ctypes, ctypes.util, sys

CELL = 24

x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = ctypes.c_ulong
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XDisplayWidth.argtypes = x11.XDisplayHeight.argtypes = [ctypes.c_void_p, ctypes.c_int]
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XCreateSimpleWindow.restype = ctypes.c_ulong
x11.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                    ctypes.c_uint, ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong,
                                    ctypes.c_ulong]
for name, args in (("XMapWindow", [ctypes.c_void_p, ctypes.c_ulong]),
                   ("XSetSelectionOwner", [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                           ctypes.c_ulong]),
                   ("XGetSelectionOwner", [ctypes.c_void_p, ctypes.c_ulong]),
                   ("XReparentWindow", [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                        ctypes.c_int, ctypes.c_int]),
                   ("XMoveResizeWindow", [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                          ctypes.c_int, ctypes.c_uint, ctypes.c_uint]),
                   ("XSelectInput", [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]),
                   ("XSendEvent", [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                   ctypes.c_void_p]),
                   ("XNextEvent", [ctypes.c_void_p, ctypes.c_void_p]),
                   ("XFlush", [ctypes.c_void_p]),
                   ("XChangeProperty", [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                        ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                        ctypes.c_void_p, ctypes.c_int])):
    getattr(x11, name).argtypes = args
x11.XGetSelectionOwner.restype = ctypes.c_ulong


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("l", ctypes.c_long * 5)]


class Event(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("client", ClientMessage), ("pad", ctypes.c_long * 24)]


CLIENT_MESSAGE = 33
STRUCTURE_NOTIFY_MASK = 1 << 17
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19
REQUEST_DOCK = 0
XEMBED_EMBEDDED_NOTIFY = 0
XA_CARDINAL = 6


def main():
    ready_file, docked_file = sys.argv[1], sys.argv[2]
    dpy = x11.XOpenDisplay(None)
    if not dpy:
        sys.exit("xembed_tray: no X display")
    root = x11.XDefaultRootWindow(dpy)
    atom = lambda n: x11.XInternAtom(dpy, n.encode(), 0)
    selection, opcode, manager, xembed = (atom("_NET_SYSTEM_TRAY_S0"),
                                          atom("_NET_SYSTEM_TRAY_OPCODE"), atom("MANAGER"),
                                          atom("_XEMBED"))
    left = x11.XDisplayWidth(dpy, 0) - CELL * 8
    top = x11.XDisplayHeight(dpy, 0) - CELL
    tray = x11.XCreateSimpleWindow(dpy, root, left, top, CELL * 8, CELL, 0, 0, 0xC0C0C0)
    orientation = ctypes.c_long(0)  # horizontal
    x11.XChangeProperty(dpy, tray, atom("_NET_SYSTEM_TRAY_ORIENTATION"), XA_CARDINAL, 32, 0,
                        ctypes.byref(orientation), 1)
    x11.XSelectInput(dpy, tray, STRUCTURE_NOTIFY_MASK | SUBSTRUCTURE_NOTIFY_MASK)
    x11.XMapWindow(dpy, tray)
    x11.XSetSelectionOwner(dpy, selection, tray, 0)
    if x11.XGetSelectionOwner(dpy, selection) != tray:
        sys.exit("xembed_tray: another tray owns the selection")
    announce = Event()
    announce.client.type = CLIENT_MESSAGE
    announce.client.window = root
    announce.client.message_type = manager
    announce.client.format = 32
    announce.client.l[:] = [0, selection, tray, 0, 0]
    x11.XSendEvent(dpy, root, 0, STRUCTURE_NOTIFY_MASK, ctypes.byref(announce))
    x11.XFlush(dpy)
    open(ready_file, "w").close()

    docked = 0
    event = Event()
    while True:
        x11.XNextEvent(dpy, ctypes.byref(event))
        if event.type != CLIENT_MESSAGE or event.client.message_type != opcode:
            continue
        if event.client.l[1] != REQUEST_DOCK:
            continue
        icon = event.client.l[2] & 0xFFFFFFFF
        x = docked * CELL
        docked += 1
        x11.XReparentWindow(dpy, icon, tray, x, 0)
        x11.XMoveResizeWindow(dpy, icon, x, 0, CELL, CELL)
        x11.XMapWindow(dpy, icon)
        notify = Event()
        notify.client.type = CLIENT_MESSAGE
        notify.client.window = icon
        notify.client.message_type = xembed
        notify.client.format = 32
        notify.client.l[:] = [0, XEMBED_EMBEDDED_NOTIFY, 0, tray, 0]
        x11.XSendEvent(dpy, icon, 0, 0, ctypes.byref(notify))
        x11.XFlush(dpy)
        with open(docked_file, "a") as out:
            out.write("%d %d %d %d %d\n" % (icon, left + x, top, CELL, CELL))


if __name__ == "__main__":
    main()

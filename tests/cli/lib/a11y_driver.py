# What the accessibility drivers of the whole-program tests share: bounded
# waits, finding the program and its windows in the accessibility tree, and
# the keyboard through xdotool.  Used with `from a11y_driver import *`.
# A wait that times out prints the shown part of the program's tree first.
import os, subprocess, sys, time
import pyatspi
from gi.repository import GLib

def pump():
    """Dispatches the accessibility events that have arrived."""
    while GLib.MainContext.default().iteration(False):
        pass

def wait(what, pred, seconds=30):
    end = time.time() + seconds
    while time.time() < end:
        try:
            v = pred()
        except Exception:
            v = None
        if v:
            return v
        time.sleep(0.1)
        pump()
    try:
        a = app()
        if a is not None:
            dump(a, sys.stderr)
    except Exception:
        pass
    sys.exit("timed out waiting for " + what)

def app():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        a = desktop.getChildAtIndex(i)
        if a is not None and a.name == "dornwatch":
            return a
    return None

# Popup menus are no children of the application in the tree (the toolkit
# leaves popups out); they are found by the event that shows them.
_popups = []

def _on_showing(event):
    try:
        if event.detail1 and event.source.getRole() == pyatspi.ROLE_POPUP_MENU:
            _popups.append(event.source)
    except Exception:
        pass

def watch_popups():
    """Starts collecting the popup menus that are shown from now on."""
    pyatspi.Registry.registerEventListener(_on_showing, "object:state-changed:showing")
    pump()

def popup_menu():
    """The popup menu shown last, while it is still shown."""
    pump()
    for menu in reversed(_popups):
        try:
            if showing(menu):
                return menu
        except Exception:
            pass
    return None

def walk(node, depth=0):
    yield node, depth
    for i in range(node.childCount):
        c = node.getChildAtIndex(i)
        if c is not None:
            yield from walk(c, depth + 1)

def find(root, pred):
    for node, _ in walk(root):
        if pred(node):
            return node
    return None

def top(name_start):
    a = app()
    if a is None:
        return None
    for i in range(a.childCount):
        w = a.getChildAtIndex(i)
        if w is not None and w.name.startswith(name_start):
            return w
    return None

def text_of(node):
    try:
        t = node.queryText()
        return t.getText(0, t.characterCount)
    except NotImplementedError:
        return ""

def xwindow(pattern):
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", pattern],
                         capture_output=True, text=True).stdout.split()
    return out[-1] if out else None

def focus(pattern):
    wid = wait("X window " + pattern, lambda: xwindow(pattern))
    subprocess.run(["xdotool", "windowfocus", "--sync", wid], check=True)

def keys(*k):
    for key in k:
        subprocess.run(["xdotool", "key", "--delay", "50", key], check=True)
        time.sleep(0.05)

def click(node):
    """A left click with the mouse in the middle of node's screen extents."""
    x, y, w, h = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", "--sync", str(x + w // 2), str(y + h // 2),
                    "click", "1"], check=True)

def typed(text):
    subprocess.run(["xdotool", "type", "--delay", "30", text], check=True)

def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)

def dump(root, out=sys.stdout):
    """Prints the shown nodes under root: role, name, text, checked/focused."""
    for n, d in walk(root):
        if not showing(n):
            continue
        marks = [m for m, s in (("checked", pyatspi.STATE_CHECKED), ("focused", pyatspi.STATE_FOCUSED))
                 if n.getState().contains(s)]
        print("  " * d + n.getRoleName(), repr(n.name), repr(text_of(n)), *marks, file=out)

def focused(root):
    """The focused control under root (windows, page tabs and the rows of
    lists, which keep their mark, aside)."""
    return find(root, lambda n: n.getState().contains(pyatspi.STATE_FOCUSED)
                and n.getRole() not in (pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_PAGE_TAB_LIST,
                                        pyatspi.ROLE_FRAME, pyatspi.ROLE_INTERNAL_FRAME,
                                        pyatspi.ROLE_DIALOG, pyatspi.ROLE_WINDOW,
                                        pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_LIST_ITEM))

def press_until(key, pred, what, tries=4, settle=2.0):
    """Presses key until pred holds, giving each press `settle` seconds to
    show: for a letter that several shown controls share (the toolkit hands
    it to each of them in turn), or Tab through a window's controls."""
    for _ in range(tries):
        keys(key)
        end = time.time() + settle
        while time.time() < end:
            try:
                if pred():
                    return
            except Exception:
                pass
            time.sleep(0.05)
    wait(what, pred, 0)

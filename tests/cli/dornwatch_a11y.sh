#!/bin/bash
# The real program in a real X session, read through the accessibility tree
# and driven with the keyboard as a user of a screen reader would: Help >
# Contents opens the help window (its page is read), a search that finds
# nothing opens a message box (its text and button are read, Enter answers
# it), Shift+F10 opens the frame's popup (its items are read, the keyboard
# chooses one), the tool bar and status zones have names, and File > Exit
# ends the program with exit code 0.  Every wait is a bounded poll for a condition.
# Skips (exit 0) only when no X server can be started.
set -u
BUILD=${1:?build folder}
source "$(dirname "$0")/lib/a11y_session.sh"

cat >"$WORK/driver.py" <<'PY'
import subprocess, sys
import pyatspi
from a11y_driver import *

frame = wait("the frame in the accessibility tree", lambda: top("Dornwatch '96"))
role = lambda r: (lambda n: n.getRole() == r)

# Every tool bar entry and status zone has a name.
bar = wait("the tool bar", lambda: find(frame, role(pyatspi.ROLE_TOOL_BAR)))
unnamed = [n.getRoleName() for n, d in walk(bar) if n is not bar and not n.name]
if unnamed:
    sys.exit("tool bar entries without a name: %s" % unnamed)
names = [bar.getChildAtIndex(i).name for i in range(bar.childCount)]
for wanted in ("Add Program", "Add Message", "Schedule", "To Do", "PDWMAIN"):
    if wanted not in names:
        sys.exit("tool bar has no %r: %s" % (wanted, names))
zones = [n.name for n, _ in walk(frame) if n.name.startswith("Status zone")]
if len(zones) != 4:
    sys.exit("status zones: %s" % zones)

# Help > Contents opens the help window on the contents page.
focus("^Dornwatch '96$")
keys("alt+h", "c")
helpwin = wait("the help window", lambda: top("Dornwatch Help"))
page = wait("the help page", lambda: find(helpwin, lambda n: n.name == "Help page"))
wait("the contents page's text", lambda: "Getting started" in text_of(page))
print("help window:", helpwin.name)

# A search that finds nothing puts up a message box; Enter answers it.
focus("^Dornwatch Help")
keys("alt+s")
subprocess.run(["xdotool", "type", "--delay", "30", "zebra"], check=True)
keys("Return")
box = wait("the message box", lambda: find(app(), lambda n: n.getRole() == pyatspi.ROLE_DIALOG
                                            and n.name == "Dornwatch Help"))
label = wait("the box's text", lambda: find(box, lambda n: n.getRole() == pyatspi.ROLE_LABEL
                                            and "zebra" in n.name))
ok = find(box, lambda n: n.getRole() == pyatspi.ROLE_PUSH_BUTTON)
if ok is None or ok.name != "OK":
    sys.exit("the box has no OK button")
print("message box:", label.name)
keys("Return")
wait("the box to close", lambda: find(app(), lambda n: n.getRole() == pyatspi.ROLE_DIALOG
                                      and n.name == "Dornwatch Help") is None)

# Shift+F10 on the frame opens its popup of the Window menu's commands; its
# items are read, and the keyboard chooses Cascade.
def popup():
    def is_popup(n):
        if n.getRole() not in (pyatspi.ROLE_POPUP_MENU, pyatspi.ROLE_MENU):
            return False
        items = [n.getChildAtIndex(i).name.replace("&", "") for i in range(n.childCount)]
        return items == ["Tile", "Cascade", "Arrange Icons"]
    return find(app(), is_popup)

def visible_windows():
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", ""],
                         capture_output=True, text=True).stdout.split()
    return set(out)

focus("^Dornwatch '96$")
before = visible_windows()
keys("shift+F10")
menu = wait("the frame's popup", popup)
print("popup:", [menu.getChildAtIndex(i).name for i in range(menu.childCount)])
shown = wait("the popup's window", lambda: visible_windows() - before)
keys("Down", "Down", "Return")
# The accessibility tree may keep the closed menu's object; the screen says
# whether it is gone.
wait("the popup to close", lambda: not (visible_windows() & shown))

# File > Exit ends the program; the help window goes with it.
focus("^Dornwatch '96$")
keys("alt+f", "x")
print("exit chosen")
PY

run_a11y_driver
echo "dornwatch accessibility: ok"

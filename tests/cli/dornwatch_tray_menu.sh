#!/bin/bash
# The tray icon's menu as a user meets it, read through the accessibility
# tree: on an X session with a system tray (lib/xembed_tray.py, a tray of
# the test's own that docks icons the way a panel does) the program's icon
# docks; a right click on it with the mouse opens its menu, which offers
# Show Dornwatch, View Schedule, the next task (not a command, so disabled),
# Scheduler Active (checked) and Exit (a popup menu is read from the event
# that shows it: the toolkit leaves popups out of the application's tree).  View Schedule opens the schedule
# window; Exit, chosen from the menu again, ends the program with 0.
set -u
BUILD=${1:?build folder}
source "$(dirname "$0")/lib/a11y_session.sh"
export TRAY_READY="$WORK/tray-ready" TRAY_DOCKED="$WORK/tray-docked" PY
mkdir -p "$DORNWATCH_CONFIG"
printf '[Settings]\r\nStartUpSchedule=1\r\n' >"$DORNWATCH_CONFIG/DORN.INI"
"$BUILD/dornctl" add --description "Backup" --type message --message "Back up" \
  --schedule once --date 2030-01-01 --time 09:00:00 >/dev/null || { echo "dornctl add failed"; exit 1; }
# The tray is there before the program starts, as on a desktop.
cat >"$WORK/before.sh" <<SH
"\$PY" "$A11Y_LIB/xembed_tray.py" "$TRAY_READY" "$TRAY_DOCKED" &
for _ in \$(seq 1 100); do [ -e "$TRAY_READY" ] && break; sleep 0.1; done
SH

cat >"$WORK/driver.py" <<'PY'
import os, subprocess, sys, time
import pyatspi
from a11y_driver import *

NEXT = "Backup JAN  1, 2030  9:00AM"

frame = wait("the frame", lambda: top("Dornwatch '96"))
if find(frame, lambda n: n.name.startswith("View Schedule") and showing(n)):
    sys.exit("View Schedule is open at the start")
icon = wait("the icon in the tray", lambda: open(os.environ["TRAY_DOCKED"]).read().split())
x, y, w, h = (int(v) for v in icon[1:5])

watch_popups()

def item(name):
    menu = popup_menu()
    return menu and find(menu, lambda n: n.getRole() in (pyatspi.ROLE_MENU_ITEM,
                                                  pyatspi.ROLE_CHECK_MENU_ITEM)
                      and n.name == name and showing(n))

def open_menu():
    # The icon takes clicks once Qt has mapped it in the tray: until then a
    # click goes to the tray itself, so it is given a few tries.
    for _ in range(5):
        subprocess.run(["xdotool", "mousemove", "--sync", str(x + w // 2), str(y + h // 2),
                        "click", "3"], check=True)
        end = time.time() + 2
        while time.time() < end:
            if item("Exit"):
                return item("Exit")
            time.sleep(0.1)
            pump()
    return wait("the tray menu", lambda: item("Exit"), 0)

# The frame's first timer tick hands the tray its texts: until then the menu
# has no task lines, and it is closed and opened again.
for _ in range(10):
    open_menu()
    if item(NEXT):
        break
    keys("Escape")
    wait("the menu to close", lambda: popup_menu() is None)
    time.sleep(1)
names = [n for n in ("Show Dornwatch", "View Schedule", NEXT, "Scheduler Active", "Exit")
         if item(n) is None]
if names:
    shown = [(n.getRoleName(), n.name) for n, _ in walk(popup_menu())]
    sys.exit("the tray menu lacks %r; it shows %r" % (names, shown))
if item(NEXT).getState().contains(pyatspi.STATE_ENABLED):
    sys.exit("the task's line can be chosen")
if not item("Scheduler Active").getState().contains(pyatspi.STATE_CHECKED):
    sys.exit("Scheduler Active is not checked")
print("tray menu: ok")

click(item("View Schedule"))
wait("View Schedule from the tray", lambda: find(top("Dornwatch '96"), lambda n:
     n.name.startswith("View Schedule") and showing(n)))
print("view schedule from the tray: ok")

click(open_menu())
PY
run_a11y_driver
echo "dornwatch tray menu: ok"

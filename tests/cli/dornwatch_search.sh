#!/bin/bash
# The search by example in the real program under X, driven by the keyboard
# and read through the accessibility tree: three tasks stored with dornctl;
# Schedule > View Schedule, the "Selected" tab, Search; Description
# "backup" with "Contains this"; Begin Search > Select.  The "Selected" tab
# then lists exactly the two backup tasks, and dornctl list --selected
# agrees.  Every wait is a bounded poll.  Skips (exit 0) only when no X
# server can be started.
set -u
BUILD=$(cd "${1:?build folder}" && pwd) || exit 1
source "$(dirname "$0")/lib/a11y_session.sh"
DORNCTL="$BUILD/dornctl"
[ -x "$DORNCTL" ] || { echo "no $DORNCTL"; exit 1; }

mkdir -p "$DORNWATCH_DATA" "$DORNWATCH_CONFIG"
printf '[Settings]\r\nStartUpSchedule=1\r\nFullSchedule=1\r\n' >"$DORNWATCH_CONFIG/DORN.INI"
for d in "Nightly backup" "Lunch with Sam" "BACKUP photos"; do
  "$DORNCTL" --data "$DORNWATCH_DATA" add --description "$d" --type none --schedule once \
    --date 2031-01-15 --time 09:30 >/dev/null || exit 1
done
export DORNCTL

cat >"$WORK/driver.py" <<'PY'
import os, subprocess, sys
import pyatspi
from a11y_driver import *

def selected_ids():
    out = subprocess.run([os.environ["DORNCTL"], "--data", os.environ["DORNWATCH_DATA"],
                          "list", "--selected"], capture_output=True, text=True, check=True)
    return sorted(int(line.split()[0]) for line in out.stdout.splitlines()[1:])

def page(window):
    tabs = find(window, lambda n: n.getRole() == pyatspi.ROLE_PAGE_TAB_LIST)
    return tabs.name if tabs else None

def control(window, role, name):
    return find(window, lambda n: n.getRole() == role and n.name == name and showing(n))

def is_focused(window, role, name):
    n = focused(window)
    return n is not None and n.getRole() == role and n.name == name

def rows(window):
    table = find(window, lambda n: n.getRole() in (pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE,
                                                   pyatspi.ROLE_TABLE))
    return [c.name for c in (table.getChildAtIndex(i) for i in range(table.childCount))
            if c.getRole() == pyatspi.ROLE_TABLE_CELL and c.name]

frame = wait("the frame in the accessibility tree", lambda: top("Dornwatch '96"))
focus("^Dornwatch '96")
keys("alt+s", "v")
browse = wait("the schedule window", lambda: find(frame, lambda n: n.name == "View Schedule" and
              n.getRole() in (pyatspi.ROLE_INTERNAL_FRAME, pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW)))
wait("the tasks listed", lambda: "Nightly backup" in rows(browse))
# The "Selected" tab, pressed through its accessible action.
tab = find(browse, lambda n: n.getRole() == pyatspi.ROLE_PAGE_TAB and n.name == "Selected")
tab.queryAction().doAction(0)
wait("the Selected tab", lambda: page(browse) == "Selected")
wait("nothing selected yet", lambda: "Nightly backup" not in rows(browse))
press_until("Tab", lambda: is_focused(browse, pyatspi.ROLE_PUSH_BUTTON, "Search"),
            "the focus on Search", tries=12, settle=0.3)
keys("space")

search = wait("the search window", lambda: top("Search the Schedule"))
focus("^Search the Schedule$")
keys("alt+d")
wait("the focus on Description", lambda: is_focused(search, pyatspi.ROLE_TEXT, "Description:"))
typed("backup")
keys("alt+s")
types = wait("the match types of a STRING field", lambda: top("Match Type for STRING Field"))
focus("^Match Type for STRING Field$")
keys("alt+c")
wait("Contains chosen", lambda: (control(types, pyatspi.ROLE_RADIO_BUTTON, "Contains this") or
     control(types, pyatspi.ROLE_RADIO_BUTTON, "&Contains this")) is not None)
# Alt+O belongs to "&Outside range" here: OK is reached with Tab.
press_until("Tab", lambda: is_focused(types, pyatspi.ROLE_PUSH_BUTTON, "OK"), "the focus on OK",
            tries=25, settle=0.3)
keys("space")
wait("the match types to close", lambda: top("Match Type for STRING Field") is None)
focus("^Search the Schedule$")
# Alt+B is shared with the Browse buttons of other tabs: Tab to the button.
press_until("Tab", lambda: is_focused(search, pyatspi.ROLE_PUSH_BUTTON, "Begin Search"),
            "the focus on Begin Search", tries=25, settle=0.3)
keys("space")
wait("the question", lambda: top("Begin Search"))
focus("^Begin Search$")
keys("alt+s")
wait("the question and the scan to end", lambda: top("Begin Search") is None and
     top("Searching for Matching Records") is None)
focus("^Search the Schedule$")
keys("Escape")
wait("the search to close", lambda: top("Search the Schedule") is None)

shown = wait("the selected tasks listed", lambda: "Nightly backup" in rows(browse) and rows(browse))
descriptions = [c for c in shown if "backup" in c.lower() or "Lunch" in c]
if sorted(descriptions) != ["BACKUP photos", "Nightly backup"]:
    sys.exit("the Selected tab lists %s" % shown)
if selected_ids() != [1, 3]:
    sys.exit("dornctl list --selected: %s" % selected_ids())
print("selected:", descriptions)
focus("^Dornwatch '96")
keys("alt+f", "x")
PY

run_a11y_driver
echo "dornwatch search: ok"

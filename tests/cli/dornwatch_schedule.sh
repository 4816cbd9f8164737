#!/bin/bash
# The real program in a real X session on a fresh data directory, driven by
# the keyboard alone and read through the accessibility tree:
#  1. Schedule > Wizards > Generic Add: the wizard's pages walked (a "Run
#     Program" task with its command and start folder, "Once", a date and
#     time typed in, the next occurrence previewed; Alt+N turns every page,
#     also the one where "&Next Date:" shares its letter with "&Next ->");
#     Finish stores it and dornctl reads it back while the program runs.
#  2. Schedule > View Schedule: the task's row, cell by cell.
#  3. Change: the task form on the task, the description edited, OK; the
#     row and the stored task changed.
#  4. Run Now: the command leaves its file in the start folder, and the task
#     is written back with its last run.
#  5. Delete, "Confirm Delete" answered OK: the row goes and Change is
#     disabled on the empty list.
#  6. File > Exit ends with 0; SM.BRK passes brk check; the task is gone and
#     History keeps the record of the Run Now (dornctl and brk dump).
# Every wait is a bounded poll.  Skips (exit 0) only when no X server can
# be started.
set -u
BUILD=$(cd "${1:?build folder}" && pwd) || exit 1
source "$(dirname "$0")/lib/a11y_session.sh"
BRK="$BUILD/brk"
DORNCTL="$BUILD/dornctl"
for p in "$BRK" "$DORNCTL"; do [ -x "$p" ] || { echo "no $p"; exit 1; }; done

# The schedule list is not opened at start-up (the flag is stored inverted)
# and opens on "All by Date".
mkdir -p "$DORNWATCH_DATA" "$DORNWATCH_CONFIG" "$WORK/start"
printf '[Settings]\r\nStartUpSchedule=1\r\nFullSchedule=1\r\n' >"$DORNWATCH_CONFIG/DORN.INI"
export START_DIR="$WORK/start" DORNCTL

cat >"$WORK/driver.py" <<'PY'
import datetime, json, os, subprocess, sys
import pyatspi
from a11y_driver import *

START_DIR = os.environ["START_DIR"]

def tasks():
    out = subprocess.run([os.environ["DORNCTL"], "--data", os.environ["DORNWATCH_DATA"],
                          "list", "--all", "--json"], capture_output=True, text=True, check=True)
    return json.loads(out.stdout)

def page(window):
    tabs = find(window, lambda n: n.getRole() == pyatspi.ROLE_PAGE_TAB_LIST)
    return tabs.name if tabs else None

def control(window, role, name):
    return find(window, lambda n: n.getRole() == role and n.name == name and showing(n))

def is_focused(window, role, name):
    n = focused(window)
    return n is not None and n.getRole() == role and n.name == name

frame = wait("the frame in the accessibility tree", lambda: top("Dornwatch '96"))

# Schedule > Wizards > Generic Add.
focus("^Dornwatch '96")
keys("alt+s", "w", "a")
wizard = wait("the Add Task Wizard", lambda: top("Add Task Wizard"))
focus("^Add Task Wizard$")
wait("the Task page", lambda: page(wizard) == "Task")
if control(wizard, pyatspi.ROLE_PUSH_BUTTON, "<- Back") is not None:
    sys.exit("Back is shown on the first page")

def checked(window, name):
    n = control(window, pyatspi.ROLE_RADIO_BUTTON, name)
    return n is not None and n.getState().contains(pyatspi.STATE_CHECKED)

# Task page: the focus is on the preset task type "Both"; Up, Up moves the
# choice to "Run Program".
wait("the focus on Both", lambda: is_focused(wizard, pyatspi.ROLE_RADIO_BUTTON, "Both"))
keys("Up", "Up")
wait("Run Program chosen", lambda: checked(wizard, "Run Program") and not checked(wizard, "Both"))

# Category page: the category preset, the description typed.
keys("alt+n")
wait("the Category page", lambda: page(wizard) == "Category")
wait("the preset category", lambda: control(wizard, pyatspi.ROLE_COMBO_BOX, "General"))
keys("alt+d")
wait("the focus on Description", lambda: is_focused(wizard, pyatspi.ROLE_TEXT, "Description:"))
typed("Nightly backup")

# A "Run Program" task has a command page and no message page.
keys("alt+n")
wait("the Command page", lambda: page(wizard) == "Command")
wait("the focus on Command", lambda: is_focused(wizard, pyatspi.ROLE_TEXT, "Command:"))
typed("touch ran.txt")
keys("alt+i")
wait("the focus on Start in", lambda: is_focused(wizard, pyatspi.ROLE_TEXT, "Start in:"))
typed(START_DIR)
keys("alt+n")
wait("the When page", lambda: page(wizard) == "When")

# When page: the focus is on the preset schedule type "Day of Week", Up
# chooses "Once"; on 15 January 2031 at 9:30 AM.  Alt+N belongs to both
# "Next Date:" and "Next ->" here and presses the button, so the date is
# reached with Tab.
wait("the focus on Day of Week",
     lambda: is_focused(wizard, pyatspi.ROLE_RADIO_BUTTON, "Day of Week"))
keys("Up")
wait("Once chosen", lambda: checked(wizard, "Once") and not checked(wizard, "Day of Week"))
press_until("Tab", lambda: is_focused(wizard, pyatspi.ROLE_TEXT, "Next Date:"),
            "the focus on Next Date", tries=12, settle=1.0)
keys("ctrl+a")
typed("JAN 15, 2031")
keys("alt+i")
wait("the focus on Time", lambda: is_focused(wizard, pyatspi.ROLE_SPIN_BUTTON, "Time:"))
keys("ctrl+a")
typed("9:30AM")
keys("Tab")
wait("the date as entered", lambda: text_of(control(wizard, pyatspi.ROLE_TEXT, "Next Date:"))
     == "JAN 15, 2031")
wait("the time as entered", lambda: text_of(control(wizard, pyatspi.ROLE_SPIN_BUTTON, "Time:"))
     .strip() == "9:30AM")
preview = wait("the next occurrence", lambda: find(wizard, lambda n: n.getRole() ==
               pyatspi.ROLE_TABLE_CELL and n.name.startswith("Wed  JAN 15, 2031")))
print("next occurrence:", preview.name)

# Alt+N presses "Next ->" on this page too, though "Next Date:" has the
# same letter: the Advanced tab, the last page, follows; Finish is shown
# and stores the task.
keys("alt+n")
wait("Alt+N to turn to the Advanced page", lambda: page(wizard) == "Advanced")
wait("Finish shown", lambda: control(wizard, pyatspi.ROLE_PUSH_BUTTON, "Finish"))
keys("alt+f")
wait("the wizard to close", lambda: top("Add Task Wizard") is None)

# dornctl reads the task beside the running program.
rows = wait("the task in the schedule", lambda: [t for t in tasks() if not t["disabled"]])
if len(tasks()) != 1:
    sys.exit("schedule holds %s" % tasks())
task = rows[0]
want = {"type": "Run Program", "scheduleType": "Once", "category": "General",
        "description": "Nightly backup", "command": "touch ran.txt", "path": START_DIR,
        "date": "2031-01-15", "time": "09:30:00", "completed": False}
diff = {k: (task.get(k), v) for k, v in want.items() if task.get(k) != v}
if diff:
    sys.exit("task as stored (stored, wanted): %s" % diff)
print("task %d stored: %s" % (task["id"], task["description"]))

# Schedule > View Schedule, on "All by Date" (FullSchedule): the task's row.
def schedule_window():
    return find(frame, lambda n: n.name == "View Schedule" and n.getRole() in
                (pyatspi.ROLE_INTERNAL_FRAME, pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW))

def rows(window):
    """The list's rows as lists of cell texts (rows scrolled out of sight read empty)."""
    table = find(window, lambda n: n.getRole() in (pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE,
                                                   pyatspi.ROLE_TABLE))
    kids = [table.getChildAtIndex(i) for i in range(table.childCount)]
    width = len([k for k in kids if k.getRole() == pyatspi.ROLE_TABLE_COLUMN_HEADER])
    cells = [k.name for k in kids if k.getRole() == pyatspi.ROLE_TABLE_CELL]
    return [cells[i:i + width] for i in range(0, len(cells), width) if any(cells[i:i + width])]

def row_of(window, description):
    return next((r for r in rows(window) if description in r), None)

focus("^Dornwatch '96")
keys("alt+s", "v")
browse = wait("the schedule window", schedule_window)
row = wait("the task's row", lambda: row_of(browse, "Nightly backup"))
print("row:", row)
for wanted in ("JAN 15, 2031", "9:30AM", "General", "Run Program", "Once"):
    if not any(cell.strip() == wanted for cell in row):
        sys.exit("the row has no %r: %s" % (wanted, row))

# The list opens with its first task chosen; Change (Alt+C) opens the task
# form on it, the description is edited, and OK stores it; the list shows it
# changed.
wait("the row chosen", lambda: find(browse, lambda n: n.getRole() == pyatspi.ROLE_TABLE_CELL and
                                    n.name == "Nightly backup" and
                                    n.getState().contains(pyatspi.STATE_SELECTED)))
keys("alt+c")
form = wait("the task form", lambda: top("Changing a Schedule Task"))
focus("^Changing a Schedule Task$")
wait("the task in the form", lambda: text_of(control(form, pyatspi.ROLE_TEXT, "Description:"))
     .rstrip() == "Nightly backup")
keys("alt+d")
wait("the focus on Description", lambda: is_focused(form, pyatspi.ROLE_TEXT, "Description:"))
keys("ctrl+a")
typed("Weekly backup")
keys("alt+o")
wait("the form to close", lambda: top("Changing a Schedule Task") is None)
wait("the changed row", lambda: row_of(browse, "Weekly backup"))
if row_of(browse, "Nightly backup"):
    sys.exit("the old description is still listed")
if [t["description"] for t in tasks()] != ["Weekly backup"]:
    sys.exit("schedule after the change: %s" % tasks())
print("changed:", row_of(browse, "Weekly backup"))

# Run Now (reached with Tab) starts the command in the task's start folder.
focus("^Dornwatch '96")
press_until("Tab", lambda: is_focused(browse, pyatspi.ROLE_PUSH_BUTTON, "Run Now"),
            "the focus on Run Now", tries=10, settle=0.5)
days = {datetime.date.today().isoformat()}
keys("space")
wait("the program's file", lambda: os.path.exists(os.path.join(START_DIR, "ran.txt")))
# The task is written back with the time it ran.
ran = wait("the last run written back", lambda: [t for t in tasks() if t["lastRunDate"]])
days.add(datetime.date.today().isoformat())
if ran[0]["lastRunDate"] not in days or ran[0]["description"] != "Weekly backup":
    sys.exit("task after Run Now: %s" % ran)
print("run now: ran.txt left in the start folder, last run", ran[0]["lastRunDate"],
      ran[0]["lastRunTime"])

# Delete (Alt+D) asks "Confirm Delete"; OK deletes; the row goes and the
# empty list disables Change and Delete.
keys("alt+d")
def confirm_box():
    return find(app(), lambda n: n.getRole() == pyatspi.ROLE_DIALOG and n.name == "Confirm Delete")
box = wait("the Confirm Delete question", confirm_box)
focus("^Confirm Delete$")
press_until("shift+Tab", lambda: is_focused(box, pyatspi.ROLE_PUSH_BUTTON, "OK"), "the focus on OK",
            settle=0.5)
keys("space")
wait("the row to go", lambda: row_of(browse, "Weekly backup") is None and confirm_box() is None)
change = control(browse, pyatspi.ROLE_PUSH_BUTTON, "Change")
if change is None or change.getState().contains(pyatspi.STATE_ENABLED):
    sys.exit("Change is not disabled on the empty list")
print("deleted")

focus("^Dornwatch '96")
keys("alt+f", "x")
print("exit chosen")
PY

run_a11y_driver
(cd "$DORNWATCH_DATA" && "$BRK" check SM.BRK) >"$WORK/check.log" 2>&1 ||
  { echo "brk check failed"; cat "$WORK/check.log"; exit 1; }
# The task is gone; the History table keeps the record of the Run Now.
"$DORNCTL" --data "$DORNWATCH_DATA" list --all --json >"$WORK/tasks.json" || exit 1
"$DORNCTL" --data "$DORNWATCH_DATA" history --json >"$WORK/history.json" || exit 1
(cd "$DORNWATCH_DATA" && "$BRK" dump 'SM\!History' --csv) >"$WORK/history.csv" || exit 1
python3 - "$WORK" <<'PY' || { cat "$WORK/tasks.json" "$WORK/history.json" "$WORK/history.csv"; exit 1; }
import csv, datetime, json, os, sys
work = sys.argv[1]
tasks = json.load(open(os.path.join(work, "tasks.json")))
assert tasks == [], tasks
history = json.load(open(os.path.join(work, "history.json")))
assert len(history) == 1, history
h = history[0]
assert h["runByHand"] and h["description"] == "Weekly backup", h
assert h["command"] == "touch ran.txt" and h["type"] == "Run Program", h
assert h["lastRunDate"] is not None, h
rows = list(csv.DictReader(open(os.path.join(work, "history.csv"))))
def col(r, name):
    return next(v for k, v in r.items() if k.lower().endswith(":" + name.lower()))
assert len(rows) == 1 and col(rows[0], "Completed") == "1", rows
assert col(rows[0], "Description").rstrip() == "Weekly backup", rows
PY
echo "dornwatch schedule: ok"

#!/bin/bash
# The real program in a real X session on a fresh data directory, driven by
# the keyboard alone and read through the accessibility tree: Schedule >
# Wizards > Generic Add walks the wizard's pages (a "Run Program" task,
# "Once", on a date and time typed in), and Finish stores the task, which
# dornctl reads back while the program runs.  File > Exit then ends the
# program with exit code 0, SM.BRK passes brk check, and dornctl and brk
# show the task as it was entered.  Every wait is a bounded poll.
# Skips (exit 0) only when no X server can be started.
set -u
BUILD=$(cd "${1:?build folder}" && pwd) || exit 1
source "$(dirname "$0")/lib/a11y_session.sh"
BRK="$BUILD/brk"
DORNCTL="$BUILD/dornctl"
for p in "$BRK" "$DORNCTL"; do [ -x "$p" ] || { echo "no $p"; exit 1; }; done

# The schedule list is not opened at start-up (the flag is stored inverted).
mkdir -p "$DORNWATCH_DATA" "$DORNWATCH_CONFIG" "$WORK/start"
printf '[Settings]\r\nStartUpSchedule=1\r\n' >"$DORNWATCH_CONFIG/DORN.INI"
export START_DIR="$WORK/start" DORNCTL

cat >"$WORK/driver.py" <<'PY'
import json, os, subprocess, sys
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

# Task page: Tab enters the task types; Space chooses "Run Program".
keys("Tab")
wait("the focus on Run Program",
     lambda: is_focused(wizard, pyatspi.ROLE_RADIO_BUTTON, "Run Program"))
keys("space")
wait("Run Program chosen", lambda: control(wizard, pyatspi.ROLE_RADIO_BUTTON, "Run Program")
     .getState().contains(pyatspi.STATE_CHECKED))

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

# When page: "Once" on 15 January 2031 at 9:30 AM.  Alt+N belongs to both
# "Next Date:" and "Next ->" here, so it is pressed until the date has the focus.
keys("Tab")
wait("the focus on Once", lambda: is_focused(wizard, pyatspi.ROLE_RADIO_BUTTON, "Once"))
keys("space")
press_until("alt+n", lambda: is_focused(wizard, pyatspi.ROLE_TEXT, "Next Date:"),
            "the focus on Next Date")
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

# The Advanced tab is the last page: Finish is shown and stores the task.
keys("alt+a")
wait("the Advanced page", lambda: page(wizard) == "Advanced")
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

focus("^Dornwatch '96")
keys("alt+f", "x")
print("exit chosen")
PY

run_a11y_driver
(cd "$DORNWATCH_DATA" && "$BRK" check SM.BRK) >"$WORK/check.log" 2>&1 ||
  { echo "brk check failed"; cat "$WORK/check.log"; exit 1; }
"$DORNCTL" --data "$DORNWATCH_DATA" list --all --json >"$WORK/tasks.json" || exit 1
python3 - "$WORK/tasks.json" <<'PY' || { echo "schedule contents"; cat "$WORK/tasks.json"; exit 1; }
import json, sys
tasks = json.load(open(sys.argv[1]))
assert len(tasks) == 1, tasks
assert tasks[0]["description"] == "Nightly backup" and not tasks[0]["disabled"], tasks
PY
echo "dornwatch schedule: ok"

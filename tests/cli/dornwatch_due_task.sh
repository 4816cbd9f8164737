#!/bin/bash
# The real program in a real X session with two tasks written into a fresh
# data directory beforehand.  One was due two days ago and asks to be warned
# when missed: the first tick asks "Missed Task" (its text read through the
# accessibility tree), and Yes starts its program.  The other is due a few
# seconds after the start: at the first tick after its time it starts its
# program in its start directory (the program leaves a file there) and
# opens its message window.  File > Exit then ends the program with exit
# code 0, and the schedule file passes brk check with both tasks moved on
# and a completed copy of each added.  Every wait is a bounded poll.
# Skips (exit 0) only when no X server can be started.
set -u
BUILD=${1:?build folder}
source "$(dirname "$0")/lib/a11y_session.sh"
BRK="$BUILD/brk"
ADD_TASK="$BUILD/add_task"
for p in "$BRK" "$ADD_TASK"; do [ -x "$p" ] || { echo "no $p"; exit 1; }; done

mkdir -p "$DORNWATCH_DATA" "$WORK/start"
set -- $(python3 - <<'PY'
import datetime
t = datetime.datetime.now() + datetime.timedelta(seconds=6)
day = (t.date() - datetime.date(1800, 12, 28)).days
print(day, ((t.hour * 60 + t.minute) * 60 + t.second) * 100 + t.microsecond // 10000 + 1)
PY
)
(cd "$DORNWATCH_DATA" && "$ADD_TASK" ID=5 "TaskType=Run Program" "Description=Catch up" \
  "Command=touch missed-ran" "Path=$WORK/start" ScheduleType=Custom Every=1 \
  "EveryType=day(s)" "Date=$(($1 - 2))" "Time=$2" Warn=1) || { echo "add_task failed"; exit 1; }
(cd "$DORNWATCH_DATA" && "$ADD_TASK" ID=1 TaskType=Both "Description=Stretch" \
  "Command=touch started-here" "Path=$WORK/start" ScheduleType=Custom Every=1 \
  "EveryType=day(s)" "Date=$1" "Time=$2" "Message=Time to stretch your legs") ||
  { echo "add_task failed"; exit 1; }
export DUE_FILE="$WORK/start/started-here" MISSED_FILE="$WORK/start/missed-ran"

cat >"$WORK/driver.py" <<'PY'
import os, sys
import pyatspi
from a11y_driver import *

frame = wait("the frame in the accessibility tree", lambda: top("Dornwatch '96"))

def missed_box():
    a = app()
    return a and find(a, lambda n: n.getRole() == pyatspi.ROLE_DIALOG and n.name == "Missed Task")
box = wait("the Missed Task question", missed_box)
wait("the question's text", lambda: find(box, lambda n: n.getRole() == pyatspi.ROLE_LABEL
                                         and n.name == "Catch up was not run.  Run it now?"))
if os.path.exists(os.environ["MISSED_FILE"]):
    sys.exit("the missed task ran before it was answered")
focus("^Missed Task$")
keys("alt+y")
wait("the missed task's program", lambda: os.path.exists(os.environ["MISSED_FILE"]))
print("missed task asked and run")

wait("the task's program to leave its file", lambda: os.path.exists(os.environ["DUE_FILE"]))
print("program started in its start directory")

def message_window():
    a = app()
    return a and find(a, lambda n: n.name == "Message" and n.getRole() != pyatspi.ROLE_LABEL)
window = wait("the message window", message_window)
wait("the message in its window",
     lambda: find(window, lambda n: "Time to stretch your legs" in (n.name + text_of(n))))
print("message window:", window.name)

focus("^Dornwatch '96")
keys("alt+f", "x")
print("exit chosen")
PY

run_a11y_driver
(cd "$DORNWATCH_DATA" && "$BRK" check SM.BRK) >"$WORK/check.log" 2>&1 ||
  { echo "brk check failed"; cat "$WORK/check.log"; exit 1; }
(cd "$DORNWATCH_DATA" && "$BRK" dump 'SM\!Schedule' --csv) >"$WORK/dump.csv" || exit 1
python3 - "$WORK/dump.csv" <<'PY' || { echo "schedule contents"; cat "$WORK/dump.csv"; exit 1; }
import csv, sys
rows = list(csv.DictReader(open(sys.argv[1])))
def col(r, name):
    return next(v for k, v in r.items() if k.lower().endswith(":" + name.lower()))
assert len(rows) == 4, len(rows)
tasks = {col(r, "ID"): r for r in rows if col(r, "Completed") == "0"}
copies = [r for r in rows if col(r, "Completed") == "1"]
assert sorted(tasks) == ["1", "5"], rows
assert len(copies) == 2 and all(col(r, "Disabled") == "1" for r in copies), copies
assert sorted(col(r, "Description") for r in copies) == ["Catch up", "Stretch"], copies
assert any(col(r, "Message") == "Time to stretch your legs" for r in copies), copies
PY
echo "dornwatch due task: ok"

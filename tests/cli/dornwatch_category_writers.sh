#!/bin/bash
# Two processes write the categories: the real program in a real X session
# (keyboard only, read through the accessibility tree) and dornctl beside
# it.  Whichever commits first, no task is ever left under a category the
# Categories table lacks:
#  1. View Schedule > Add: the new task's form has "Backups" chosen when
#     dornctl removes "Backups" (no task uses it yet, so that succeeds);
#     OK then stores the task and "Backups" again.
#  2. View Schedule > Change: an existing task's form moves it to "Music"
#     when dornctl removes "Music"; OK stores the task and "Music" again.
#  3. The other order: with the forms' OK done, dornctl's remove of "Backups"
#     and of "Music" is refused (exit 1, the rule's message) and SM.BRK is
#     byte-identical; "General", which no task uses any more, goes.
#  4. File > Exit ends with 0; brk check passes; every task's category is
#     listed by dornctl categories list.
# The scheduler is inactive (StartUpActive stored as 1), so only these
# writers touch SM.BRK.  Every wait is a bounded poll.  Skips (exit 0) only
# when no X server can be started.
set -u
BUILD=$(cd "${1:?build folder}" && pwd) || exit 1
source "$(dirname "$0")/lib/a11y_session.sh"
BRK="$BUILD/brk"
DORNCTL="$BUILD/dornctl"
for p in "$BRK" "$DORNCTL"; do [ -x "$p" ] || { echo "no $p"; exit 1; }; done

mkdir -p "$DORNWATCH_DATA" "$DORNWATCH_CONFIG"
printf '[Settings]\r\nStartUpSchedule=1\r\nStartUpActive=1\r\nFullSchedule=1\r\n' \
  >"$DORNWATCH_CONFIG/DORN.INI"
ctl() { "$DORNCTL" --data "$DORNWATCH_DATA" "$@"; }
for name in Backups General Music; do ctl categories add "$name" >/dev/null || exit 1; done
ctl add --description "Nightly backup" --category General --type program --command true \
  --schedule once --date 2031-01-15 --time 09:30 >/dev/null || exit 1
export DORNCTL

cat >"$WORK/driver.py" <<'PY'
import filecmp, json, os, shutil, subprocess, sys
import pyatspi
from a11y_driver import *

DATA = os.environ["DORNWATCH_DATA"]

def dornctl(*args):
    return subprocess.run([os.environ["DORNCTL"], "--data", DATA] + list(args),
                          capture_output=True, text=True)

def categories():
    return [n for n in dornctl("categories", "list").stdout.split("\n") if n]

def tasks():
    return {t["description"]: t["category"]
            for t in json.loads(dornctl("list", "--all", "--json").stdout)}

def control(window, role, name):
    return find(window, lambda n: n.getRole() == role and n.name == name and showing(n))

def is_focused(window, role, name=None):
    n = focused(window)
    return n is not None and n.getRole() == role and (name is None or n.name == name)

def child_window(frame, title):
    return find(frame, lambda n: n.name == title and n.getRole() in
                (pyatspi.ROLE_INTERNAL_FRAME, pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW))

# The cells of the list's current row (the one with the focus mark).
def current_row(window):
    table = find(window, lambda n: n.getRole() in (pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE,
                                                   pyatspi.ROLE_TABLE))
    kids = [table.getChildAtIndex(i) for i in range(table.childCount)]
    width = len([k for k in kids if k.getRole() == pyatspi.ROLE_TABLE_COLUMN_HEADER]) or 1
    cells = [k for k in kids if k.getRole() == pyatspi.ROLE_TABLE_CELL]
    for i, c in enumerate(cells):
        if c.getState().contains(pyatspi.STATE_FOCUSED):
            return [x.name.strip() for x in cells[i - i % width:i - i % width + width]]
    return []

def listed(window, description):
    return find(window, lambda n: n.getRole() == pyatspi.ROLE_TABLE_CELL and
                n.name.strip() == description) is not None

def remove_while_open(name):
    r = dornctl("categories", "remove", name)
    if r.returncode != 0:
        sys.exit("removing unused %s while the form is open: %d %s" % (name, r.returncode, r.stderr))
    if name in categories():
        sys.exit("%s still listed after its remove: %s" % (name, categories()))

# Picks `name` in the open form's category drop list: Description is
# reached with its letter, the drop list just before it with Shift+Tab.
def pick_category(form, name):
    keys("alt+d")
    wait("the focus on Description", lambda: is_focused(form, pyatspi.ROLE_TEXT, "Description:"))
    press_until("shift+Tab", lambda: is_focused(form, pyatspi.ROLE_COMBO_BOX),
                "the focus on Category", settle=0.5)
    press_until("Down", lambda: control(form, pyatspi.ROLE_COMBO_BOX, name) is not None,
                name + " chosen", tries=5, settle=0.5)

frame = wait("the frame in the accessibility tree", lambda: top("Dornwatch '96"))
focus("^Dornwatch '96")
keys("alt+s", "v")
browse = wait("the schedule window", lambda: child_window(frame, "View Schedule"))
wait("the stored task listed", lambda: listed(browse, "Nightly backup"))

# 1. A new task: "Backups" chosen, removed by dornctl, then OK.
keys("alt+a")
form = wait("the task form", lambda: top("Adding a Schedule Task"))
focus("^Adding a Schedule Task$")
keys("alt+d")
wait("the focus on Description", lambda: is_focused(form, pyatspi.ROLE_TEXT, "Description:"))
typed("Copy the photos")
pick_category(form, "Backups")
remove_while_open("Backups")
keys("alt+o")
wait("the form to close", lambda: top("Adding a Schedule Task") is None)
wait("the new task listed", lambda: listed(browse, "Copy the photos"))
if tasks().get("Copy the photos") != "Backups" or "Backups" not in categories():
    sys.exit("after the add: tasks %s, categories %s" % (tasks(), categories()))
print("a new task brought its removed category back")

# 2. An existing task moved to "Music", removed by dornctl, then OK.
focus("^Dornwatch '96")
press_until("Down", lambda: "Nightly backup" in current_row(browse), "Nightly backup chosen",
            tries=3, settle=1.0)
keys("alt+c")
form = wait("the task form", lambda: top("Changing a Schedule Task"))
focus("^Changing a Schedule Task$")
wait("the task in the form", lambda: text_of(control(form, pyatspi.ROLE_TEXT, "Description:"))
     .rstrip() == "Nightly backup")
pick_category(form, "Music")
remove_while_open("Music")
keys("alt+o")
wait("the form to close", lambda: top("Changing a Schedule Task") is None)
if tasks().get("Nightly backup") != "Music" or "Music" not in categories():
    sys.exit("after the change: tasks %s, categories %s" % (tasks(), categories()))
print("a changed task brought its removed category back")

# 3. The forms committed first: removing a used category is refused and
# leaves SM.BRK as it was.
shutil.copyfile(os.path.join(DATA, "SM.BRK"), os.path.join(DATA, "..", "before.brk"))
for name in ("Backups", "Music"):
    r = dornctl("categories", "remove", name)
    want = ("dornctl: This record is referenced from the file Schedule.  This record cannot "
            "be deleted while these references exist.")
    if r.returncode != 1 or r.stderr.strip() != want:
        sys.exit("removing used %s: %d %r" % (name, r.returncode, r.stderr))
if not filecmp.cmp(os.path.join(DATA, "SM.BRK"), os.path.join(DATA, "..", "before.brk"),
                   shallow=False):
    sys.exit("a refused remove changed SM.BRK")
r = dornctl("categories", "remove", "General")
if r.returncode != 0 or categories() != ["Backups", "Music"]:
    sys.exit("removing unused General: %d %r, categories %s" % (r.returncode, r.stderr,
                                                                 categories()))
print("removes of used categories refused, SM.BRK unchanged")

# The list closed first (Escape presses its Close), so that Alt+F reaches
# the menu.
focus("^Dornwatch '96")
keys("Escape")
wait("the schedule window to close", lambda: child_window(frame, "View Schedule") is None)
keys("alt+f", "x")
print("exit chosen")
PY

run_a11y_driver
(cd "$DORNWATCH_DATA" && "$BRK" check SM.BRK) >"$WORK/check.log" 2>&1 ||
  { echo "brk check failed"; cat "$WORK/check.log"; exit 1; }
# No task under a category the table lacks (the key compares without case).
known=$(ctl categories list | tr '[:upper:]' '[:lower:]') || exit 1
ctl list --all --json >"$WORK/tasks.json" || exit 1
orphans=$(/usr/bin/python3 -c '
import json, sys
known = set(sys.argv[2].split("\n"))
print(" ".join(t["category"] for t in json.load(open(sys.argv[1]))
               if t["category"].lower() not in known))' "$WORK/tasks.json" "$known")
[ -z "$orphans" ] || { echo "tasks under missing categories: $orphans"; exit 1; }
echo "dornwatch and dornctl writing categories: ok"

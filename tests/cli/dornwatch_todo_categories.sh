#!/bin/bash
# The real program in a real X session on a fresh data directory, driven by
# the keyboard alone and read through the accessibility tree:
#  1. Schedule > Categories > Add: "Backups" stored and listed.
#  2. Schedule > Wizards > Generic Add: a "Run Program" task whose category
#     is "Backups", picked from the drop list.
#  3. Schedule > View Schedule > "All by Category" > Pick Category >
#     "Backups": the list shows that task.
#  4. Schedule > To Do List > Insert: an item with priority 3; Toggle Done
#     Status; the list shows the done icon.
#  5. dornctl todo list --json and dornctl categories list agree with the
#     windows; File > Exit ends with 0 and SM.BRK passes brk check.
# Every wait is a bounded poll.  Skips (exit 0) only when no X server can
# be started.
set -u
BUILD=$(cd "${1:?build folder}" && pwd) || exit 1
source "$(dirname "$0")/lib/a11y_session.sh"
BRK="$BUILD/brk"
DORNCTL="$BUILD/dornctl"
for p in "$BRK" "$DORNCTL"; do [ -x "$p" ] || { echo "no $p"; exit 1; }; done

# No schedule list at start-up (the flag is stored inverted); it opens on
# its first page, "Day Schedule".
mkdir -p "$DORNWATCH_DATA" "$DORNWATCH_CONFIG"
printf '[Settings]\r\nStartUpSchedule=1\r\n' >"$DORNWATCH_CONFIG/DORN.INI"
export DORNCTL

cat >"$WORK/driver.py" <<'PY'
import json, os, subprocess, sys
import pyatspi
from a11y_driver import *

def dornctl(*args):
    out = subprocess.run([os.environ["DORNCTL"], "--data", os.environ["DORNWATCH_DATA"]] +
                         list(args), capture_output=True, text=True, check=True)
    return out.stdout

def control(window, role, name):
    return find(window, lambda n: n.getRole() == role and n.name == name and showing(n))

def is_focused(window, role, name=None):
    n = focused(window)
    return n is not None and n.getRole() == role and (name is None or n.name == name)

def child_window(frame, title):
    return find(frame, lambda n: n.name == title and n.getRole() in
                (pyatspi.ROLE_INTERNAL_FRAME, pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW))

def rows(window):
    table = find(window, lambda n: n.getRole() in (pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE,
                                                   pyatspi.ROLE_TABLE))
    if table is None:
        return []
    kids = [table.getChildAtIndex(i) for i in range(table.childCount)]
    width = len([k for k in kids if k.getRole() == pyatspi.ROLE_TABLE_COLUMN_HEADER]) or 1
    cells = [k.name for k in kids if k.getRole() == pyatspi.ROLE_TABLE_CELL]
    return [[c.strip() for c in cells[i:i + width]] for i in range(0, len(cells), width)
            if any(cells[i:i + width])]

def page(window):
    tabs = find(window, lambda n: n.getRole() == pyatspi.ROLE_PAGE_TAB_LIST)
    return tabs.name if tabs else None

frame = wait("the frame in the accessibility tree", lambda: top("Dornwatch '96"))

# 1. Schedule > Categories > Add "Backups".
focus("^Dornwatch '96")
keys("alt+s", "c")
cats = wait("the category list", lambda: child_window(frame, "Categories"))
keys("alt+a")
form = wait("the category form", lambda: top("Adding a Categories Record"))
focus("^Adding a Categories Record$")
wait("the focus on Category", lambda: is_focused(form, pyatspi.ROLE_TEXT))
typed("Backups")
keys("alt+o")
wait("the form to close", lambda: top("Adding a Categories Record") is None)
wait("Backups listed", lambda: ["Backups"] in rows(cats))
if dornctl("categories", "list").split("\n")[0] != "Backups":
    sys.exit("categories after the add: %r" % dornctl("categories", "list"))
print("category added")

# 2. Generic Add: a Run Program task in "Backups".  The category list is
# closed first (Escape presses its Close): while it has the focus, Alt+S
# presses its " &Schedule" button rather than opening the menu.
focus("^Dornwatch '96")
keys("Escape")
wait("the category list to close", lambda: child_window(frame, "Categories") is None)
keys("alt+s", "w", "a")
wizard = wait("the Add Task Wizard", lambda: top("Add Task Wizard"))
focus("^Add Task Wizard$")
wait("the focus on Both", lambda: is_focused(wizard, pyatspi.ROLE_RADIO_BUTTON, "Both"))
keys("Up", "Up")
keys("alt+n")
wait("the Category page", lambda: page(wizard) == "Category")
keys("alt+d")
wait("the focus on Description", lambda: is_focused(wizard, pyatspi.ROLE_TEXT, "Description:"))
typed("Copy the photos")
press_until("shift+Tab", lambda: is_focused(wizard, pyatspi.ROLE_COMBO_BOX), "the focus on Category",
            settle=0.5)
press_until("Down", lambda: control(wizard, pyatspi.ROLE_COMBO_BOX, "Backups") is not None,
            "Backups chosen", settle=0.5)
keys("alt+n")
wait("the Command page", lambda: page(wizard) == "Command")
wait("the focus on Command", lambda: is_focused(wizard, pyatspi.ROLE_TEXT, "Command:"))
typed("true")
keys("alt+n")
wait("the When page", lambda: page(wizard) == "When")
keys("alt+a")
wait("the Advanced page", lambda: page(wizard) == "Advanced")
wait("Finish shown", lambda: control(wizard, pyatspi.ROLE_PUSH_BUTTON, "Finish"))
keys("alt+f")
wait("the wizard to close", lambda: top("Add Task Wizard") is None)
tasks = json.loads(dornctl("list", "--all", "--json"))
if [(t["description"], t["category"]) for t in tasks] != [("Copy the photos", "Backups")]:
    sys.exit("schedule after the wizard: %s" % tasks)
print("task stored in Backups")

# 3. View Schedule > All by Category > Pick Category > Backups.
focus("^Dornwatch '96")
keys("alt+s", "v")
browse = wait("the schedule window", lambda: child_window(frame, "View Schedule"))
# The tab bar stands just before the first page's "Pick Day" in the focus
# chain; Right moves it to the next tab.
press_until("Tab", lambda: is_focused(browse, pyatspi.ROLE_PUSH_BUTTON, "Pick Day"),
            "the focus on Pick Day", tries=14, settle=0.5)
keys("shift+Tab")
press_until("Right", lambda: control(browse, pyatspi.ROLE_PUSH_BUTTON, "Pick Category"),
            "All by Category", settle=1.0)
wait("the empty category view", lambda: not any("Copy the photos" in r for r in rows(browse)))
keys("alt+p")
picker = wait("the category picker", lambda: top("Select a Category"))
focus("^Select a Category$")
wait("Backups offered", lambda: ["Backups"] in rows(picker))
keys("alt+s")
wait("the picker to close", lambda: top("Select a Category") is None)
wait("the category's task", lambda: any("Copy the photos" in r for r in rows(browse)))
print("All by Category lists the task")

# 4. To Do List > Insert priority 3 > Toggle Done Status.
focus("^Dornwatch '96")
keys("alt+s", "t")
todo = wait("the to-do list", lambda: child_window(frame, "To Do List"))
keys("alt+i")
item = wait("the to-do form", lambda: top("Adding To Do Item"))
focus("^Adding To Do Item$")
wait("the focus on To Do", lambda: is_focused(item, pyatspi.ROLE_TEXT))
typed("Label the tapes")
press_until("Tab", lambda: is_focused(item, pyatspi.ROLE_SPIN_BUTTON), "the focus on Priority",
            settle=0.5)
keys("ctrl+a")
typed("3")
keys("Tab")
keys("alt+o")
wait("the form to close", lambda: top("Adding To Do Item") is None)
wait("the item listed", lambda: any("Label the tapes" in r for r in rows(todo)))
row = next(r for r in rows(todo) if "Label the tapes" in r)
if row[0] != "notdone" or row[1] != "3":
    sys.exit("the new item's row: %s" % row)
focus("^Dornwatch '96")
press_until("Tab", lambda: is_focused(todo, pyatspi.ROLE_PUSH_BUTTON, "Toggle Done Status"),
            "the focus on Toggle Done Status", tries=12, settle=0.5)
keys("space")
wait("the done icon", lambda: any(r[0] == "done" and "Label the tapes" in r for r in rows(todo)))
print("to-do item done:", next(r for r in rows(todo) if "Label the tapes" in r))

# 5. dornctl agrees with the windows.
items = json.loads(dornctl("todo", "list", "--json"))
if [(i["text"], i["priority"], i["done"]) for i in items] != [("Label the tapes", 3, True)]:
    sys.exit("dornctl todo list: %s" % items)
focus("^Dornwatch '96")
keys("Escape")  # the to-do list's Close, so that Alt+S reaches the menu
wait("the to-do list to close", lambda: child_window(frame, "To Do List") is None)
keys("alt+s", "c")
cats = wait("the category list again", lambda: child_window(frame, "Categories"))
shown = wait("its rows", lambda: [r[0] for r in rows(cats)])
listed = [n for n in dornctl("categories", "list").split("\n") if n]
if shown != listed:
    sys.exit("categories: the window shows %s, dornctl lists %s" % (shown, listed))
print("dornctl agrees")

focus("^Dornwatch '96")
keys("alt+f", "x")
print("exit chosen")
PY

run_a11y_driver
(cd "$DORNWATCH_DATA" && "$BRK" check SM.BRK) >"$WORK/check.log" 2>&1 ||
  { echo "brk check failed"; cat "$WORK/check.log"; exit 1; }
echo "dornwatch to-do and categories: ok"

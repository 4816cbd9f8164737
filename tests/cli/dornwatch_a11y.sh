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
PROGRAM="$BUILD/dornwatch"
[ -x "$PROGRAM" ] || { echo "no $PROGRAM"; exit 1; }
if ! command -v Xvfb >/dev/null; then echo "skip: Xvfb is not installed"; exit 0; fi
for tool in dbus-run-session xdotool; do
  command -v $tool >/dev/null || { echo "missing $tool (scripts/setup installs it)"; exit 1; }
done
# The Debian package's Python, where python3-pyatspi lives.
PY=/usr/bin/python3
[ -x "$PY" ] || PY=python3
"$PY" -c 'import pyatspi' 2>/dev/null || { echo "missing python3-pyatspi"; exit 1; }
LAUNCHER=/usr/libexec/at-spi-bus-launcher
[ -x "$LAUNCHER" ] || { echo "missing $LAUNCHER (at-spi2-core)"; exit 1; }

WORK=$(mktemp -d)
XPID=""
cleanup() {
  [ -n "$XPID" ] && kill "$XPID" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
export DORNWATCH_DATA="$WORK/data" DORNWATCH_CONFIG="$WORK/config"
export XDG_RUNTIME_DIR="$WORK/run" HOME="$WORK/home"
mkdir -p "$XDG_RUNTIME_DIR" "$HOME" && chmod 700 "$XDG_RUNTIME_DIR"

# An X server on a display it chooses itself.
exec 3>"$WORK/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
XPID=$!
exec 3>&-
for _ in $(seq 1 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
if [ ! -s "$WORK/display" ]; then
  echo "skip: Xvfb could not start"; cat "$WORK/xvfb.log"; exit 0
fi
export DISPLAY=":$(head -n1 "$WORK/display")"

cat >"$WORK/driver.py" <<'PY'
import os, subprocess, sys, time
import pyatspi

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
    sys.exit("timed out waiting for " + what)

def app():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        a = desktop.getChildAtIndex(i)
        if a is not None and a.name == "dornwatch":
            return a
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

dbus-run-session -- bash -c '
  "'"$LAUNCHER"'" --launch-immediately >"'"$WORK"'/atspi.log" 2>&1 &
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 QT_QPA_PLATFORM=xcb NO_AT_BRIDGE=0
  "'"$PROGRAM"'" >"'"$WORK"'/program.log" 2>&1 &
  pid=$!
  timeout 120 "'"$PY"'" "'"$WORK"'/driver.py"
  driver=$?
  for _ in $(seq 1 200); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  if kill -0 $pid 2>/dev/null; then
    echo "the program did not end"; kill -KILL $pid; exit 1
  fi
  wait $pid
  code=$?
  [ $driver -eq 0 ] || { echo "driver failed ($driver)"; cat "'"$WORK"'/program.log"; exit 1; }
  [ $code -eq 0 ] || { echo "exit code $code"; cat "'"$WORK"'/program.log"; exit 1; }
' || exit 1
echo "dornwatch accessibility: ok"

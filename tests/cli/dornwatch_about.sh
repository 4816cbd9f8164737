#!/bin/bash
# The real program in a real X session, read through the accessibility tree
# and driven with the keyboard: Help > About opens the About window (its
# title and button are read, Escape presses Close), and File > Exit ends
# the program with exit code 0.  Every wait is
# a bounded poll for a condition.
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

# Help > About: the About window with the program's title; Escape closes it.
focus("^Dornwatch '96$")
keys("alt+h", "a")
about = wait("the About window", lambda: top("About"))
title = wait("the About window's title",
             lambda: find(about, lambda n: "Dornwatch '96" in (n.name + text_of(n))))
close = find(about, lambda n: n.getRole() == pyatspi.ROLE_PUSH_BUTTON)
if close is None or close.name.replace("&", "") != "Close":
    sys.exit("the About window has no Close button: %s" % (close.name if close else None))
print("about window:", about.name)
focus("^About$")
keys("Escape")
wait("the About window to close", lambda: top("About") is None)

# File > Exit ends the program.
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
echo "dornwatch about: ok"

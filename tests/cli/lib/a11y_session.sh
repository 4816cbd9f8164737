# Sourced by the whole-program tests that drive the real dornwatch in a real
# X session through the accessibility tree (tests/cli/dornwatch_a11y.sh,
# dornwatch_about.sh).  With BUILD set it checks the tools, makes a work
# folder (removed at exit) with fresh data and profile directories, starts an
# Xvfb on a display of its own and exports DISPLAY; it skips the test (exit 0)
# only when no X server can be started.  run_a11y_driver then runs the
# program and the Python driver the test wrote to $WORK/driver.py (which imports a11y_driver.py from this
# folder) in one D-Bus session with the accessibility bus (after sourcing
# $WORK/before.sh there, when the test wrote one), and fails unless
# the driver succeeds and the program ends with exit code 0.
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


A11Y_LIB=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

run_a11y_driver() {
  export PYTHONPATH="$A11Y_LIB${PYTHONPATH:+:$PYTHONPATH}"
  dbus-run-session -- bash -c '
    "'"$LAUNCHER"'" --launch-immediately >"'"$WORK"'/atspi.log" 2>&1 &
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 QT_QPA_PLATFORM=xcb NO_AT_BRIDGE=0
    [ -f "'"$WORK"'/before.sh" ] && . "'"$WORK"'/before.sh"
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
}

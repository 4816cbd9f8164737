#!/bin/bash
# A second start hands over to the running program: in a real X session
# (read through the accessibility tree) a second `dornwatch` on the same data
# ends with 0 at once, without a box, and the first one stays; with
# --show-schedule the first one opens View Schedule.  Then, offscreen: a
# program killed with SIGKILL leaves its socket behind, which neither stops
# the next start nor a hand-over to it; without a runtime directory (no
# socket) the second start falls back to saying that Dornwatch is running.
set -u
BUILD=${1:?build folder}
source "$(dirname "$0")/lib/a11y_session.sh"
export PROGRAM
# No View Schedule at start, so that only the hand-over opens it.
mkdir -p "$DORNWATCH_CONFIG"
printf '[Settings]\r\nStartUpSchedule=1\r\n' >"$DORNWATCH_CONFIG/DORN.INI"

cat >"$WORK/driver.py" <<'PY'
import os, subprocess, sys, time
import pyatspi
from a11y_driver import *

frame = wait("the frame", lambda: top("Dornwatch '96"))
def schedule_window():
    return find(frame, lambda n: n.name == "View Schedule" and n.getRole() in
                (pyatspi.ROLE_INTERNAL_FRAME, pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW))
if schedule_window():
    sys.exit("View Schedule is open before it was asked for")

def second(*args):
    r = subprocess.run([os.environ["PROGRAM"], *args], capture_output=True, text=True, timeout=20)
    if r.returncode != 0 or "already running" in r.stdout + r.stderr:
        sys.exit("second start %s: exit %d: %s" % (args, r.returncode, r.stdout + r.stderr))

second()
if top("Dornwatch") is None or top("Dornwatch '96") is None:
    sys.exit("the first program's frame is gone")
if any(top(t) for t in ("Dornwatch is", "Information")):
    sys.exit("a box came up")
second("--show-schedule")
wait("View Schedule opened by the hand-over", schedule_window)
print("hand-over: ok")

focus("^Dornwatch '96")
keys("alt+f", "x")
PY
run_a11y_driver

# Offscreen from here on: a killed program's socket, and the fallback.
export QT_QPA_PLATFORM=offscreen
"$PROGRAM" >"$WORK/first.log" 2>&1 &
first=$!
for _ in $(seq 1 300); do ls "$XDG_RUNTIME_DIR"/dornwatch-* >/dev/null 2>&1 && break; sleep 0.1; done
ls "$XDG_RUNTIME_DIR"/dornwatch-* >/dev/null 2>&1 || { echo "no socket"; cat "$WORK/first.log"; exit 1; }
kill -KILL $first; wait $first 2>/dev/null
ls "$XDG_RUNTIME_DIR"/dornwatch-* >/dev/null 2>&1 || { echo "the killed program's socket is not left behind"; exit 1; }

"$PROGRAM" >"$WORK/next.log" 2>&1 &
next=$!
# The second start only once this one holds the data directory.
lock_held() {
  python3 - "$DORNWATCH_DATA/dornwatch.lock" <<'LOCK'
import fcntl, os, sys
fd = os.open(sys.argv[1], os.O_RDWR)
try:
    fcntl.lockf(fd, fcntl.LOCK_EX | fcntl.LOCK_NB, 1, 0)
except OSError:
    sys.exit(0)
sys.exit(1)
LOCK
}
for _ in $(seq 1 300); do lock_held && break; sleep 0.1; done
timeout 20 "$PROGRAM" >"$WORK/second.log" 2>&1
code=$?
[ $code -eq 0 ] && ! grep -q "already running" "$WORK/second.log" ||
  { echo "hand-over after a stale socket: exit $code: $(cat "$WORK/second.log")"; exit 1; }
kill -0 $next 2>/dev/null || { echo "the start after a kill ended: $(cat "$WORK/next.log")"; exit 1; }

(unset XDG_RUNTIME_DIR; timeout 20 "$PROGRAM" >"$WORK/fallback.log" 2>&1)
code=$?
[ $code -eq 0 ] && grep -q "already running" "$WORK/fallback.log" ||
  { echo "fallback: exit $code: $(cat "$WORK/fallback.log")"; exit 1; }

kill -TERM $next
for _ in $(seq 1 300); do kill -0 $next 2>/dev/null || break; sleep 0.1; done
wait $next
code=$?
[ $code -eq 0 ] || { echo "exit code $code after SIGTERM: $(cat "$WORK/next.log")"; exit 1; }
echo "dornwatch hand-over: ok"

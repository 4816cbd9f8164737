#!/bin/bash
# One scheduler per data directory: a second dornwatch started on the data
# directory of a running one ends with 0 (handing over to it, or saying so
# when it cannot reach it), leaving the first running; after the first ends (also when it is killed) a new one starts.
set -u
BUILD=${1:?build folder}
PROGRAM="$BUILD/dornwatch"
[ -x "$PROGRAM" ] || { echo "no $PROGRAM"; exit 1; }
WORK=$(mktemp -d)
trap 'kill -KILL $(jobs -p) 2>/dev/null; rm -rf "$WORK"' EXIT
export DORNWATCH_DATA="$WORK/data" DORNWATCH_CONFIG="$WORK/config"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="$WORK/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# True once some process holds the scheduler lock of the data directory.
lock_held() {
  python3 - "$WORK/data/dornwatch.lock" <<'PY'
import fcntl, os, sys
try:
    fd = os.open(sys.argv[1], os.O_RDWR)
except OSError:
    sys.exit(1)
try:
    fcntl.lockf(fd, fcntl.LOCK_EX | fcntl.LOCK_NB, 1, 0)
except OSError:
    sys.exit(0)
sys.exit(1)
PY
}

wait_for_lock() {
  for _ in $(seq 1 300); do lock_held && return 0; sleep 0.1; done
  echo "the first dornwatch never took the lock"; exit 1
}

"$PROGRAM" >"$WORK/first.log" 2>&1 &
first=$!
wait_for_lock

timeout 60 "$PROGRAM" >"$WORK/second.log" 2>&1
code=$?
[ $code -eq 0 ] || { echo "second start: exit code $code"; cat "$WORK/second.log"; exit 1; }
# It handed its start over to the first one (dornwatch_handover.sh); without
# a runtime directory to meet in, it says why it ends.
(unset XDG_RUNTIME_DIR; timeout 60 "$PROGRAM" >"$WORK/second.log" 2>&1) ||
  { echo "second start without a socket: exit code $?"; cat "$WORK/second.log"; exit 1; }
grep -q "already running" "$WORK/second.log" || { echo "second start did not say why"; cat "$WORK/second.log"; exit 1; }
kill -0 $first 2>/dev/null || { echo "the first one ended"; cat "$WORK/first.log"; exit 1; }

# A crash of the holder frees the directory.
kill -KILL $first
wait $first 2>/dev/null
"$PROGRAM" >"$WORK/third.log" 2>&1 &
third=$!
wait_for_lock
sleep 0.5
kill -0 $third 2>/dev/null || { echo "a start after a crash was refused"; cat "$WORK/third.log"; exit 1; }
kill -TERM $third
for _ in $(seq 1 300); do kill -0 $third 2>/dev/null || break; sleep 0.1; done
wait $third
code=$?
[ $code -eq 0 ] || { echo "third: exit code $code"; cat "$WORK/third.log"; exit 1; }
echo "dornwatch single instance: ok"

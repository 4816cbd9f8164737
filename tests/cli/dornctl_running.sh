#!/bin/bash
# dornctl beside a running dornwatch on the same data directory: the tool
# does not take the scheduler's lock, its changes go through while the
# program runs (and has its files open), and the program keeps running and
# ends normally afterwards.
set -u
BUILD=${1:?build folder}
PROGRAM="$BUILD/dornwatch"
TOOL="$BUILD/dornctl"
[ -x "$PROGRAM" ] || { echo "no $PROGRAM"; exit 1; }
WORK=$(mktemp -d)
trap 'kill -KILL $(jobs -p) 2>/dev/null; rm -rf "$WORK"' EXIT
export HOME="$WORK" DORNWATCH_DATA="$WORK/data" DORNWATCH_CONFIG="$WORK/config"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="$WORK/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

fail() { echo "FAIL: $*"; cat "$WORK/dornwatch.log"; exit 1; }

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

# A task before the program starts, far from falling due.
id=$("$TOOL" add --description "Before" --schedule weekdays --days mon --date 2030-01-07 --time 08:00) \
  || fail "add before the start"
[ "$id" = 1 ] || fail "first id $id"

"$PROGRAM" >"$WORK/dornwatch.log" 2>&1 &
program=$!
for _ in $(seq 1 300); do lock_held && break; sleep 0.1; done
lock_held || fail "dornwatch never took its lock"

id=$("$TOOL" add --description "While running" --category Work --schedule once --date 2030-02-01 --time 09:00) \
  || fail "add while dornwatch runs"
[ "$id" = 2 ] || fail "second id $id"
"$TOOL" set 1 --description "Changed while running" || fail "set while dornwatch runs"
"$TOOL" disable 2 || fail "disable while dornwatch runs"
listed=$("$TOOL" list --all --json | python3 -c 'import json,sys; print([(t["id"], t["description"], t["disabled"]) for t in json.load(sys.stdin)])') \
  || fail "list while dornwatch runs"
[ "$listed" = "[(1, 'Changed while running', False), (2, 'While running', True)]" ] || fail "listed $listed"

kill -0 $program 2>/dev/null || fail "dornwatch ended"
kill -TERM $program
for _ in $(seq 1 300); do kill -0 $program 2>/dev/null || break; sleep 0.1; done
wait $program
code=$?
[ $code -eq 0 ] || fail "dornwatch exit code $code"
echo "dornctl beside dornwatch: ok"

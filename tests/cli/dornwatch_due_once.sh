#!/bin/bash
# Two dornwatch programs started on one data directory with a task due 3 s
# later: the task runs exactly once.  First as things normally are (the
# second program is refused by the data directory's lock), then with the
# lock out of reach (both programs run, unguarded) so that only the hold
# on the task's record keeps the second from running it again.  The task's
# program appends a line to an output file; the schedule file must then hold
# the moved task and exactly one completed copy per occurrence, and pass
# brk check.
set -u
BUILD=${1:?build folder}
PROGRAM="$BUILD/dornwatch"
BRK="$BUILD/brk"
ADD_TASK="$BUILD/add_task"
for p in "$PROGRAM" "$BRK" "$ADD_TASK"; do [ -x "$p" ] || { echo "no $p"; exit 1; }; done
WORK=$(mktemp -d)
trap 'kill -KILL $(jobs -p) 2>/dev/null; rm -rf "$WORK"' EXIT
export DORNWATCH_DATA="$WORK/data" DORNWATCH_CONFIG="$WORK/config"
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="$WORK/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
fail() { echo "FAIL: $*"; for f in "$WORK"/*.log; do echo "--- $f"; cat "$f"; done; exit 1; }

# A first start creates SM.BRK (History and Schedule) and ends.
DORNWATCH_AUTOEXIT=100 timeout 60 "$PROGRAM" >"$WORK/create.log" 2>&1 || fail "first start"
[ -f "$WORK/data/SM.BRK" ] || fail "SM.BRK was not created"

# Loads task ID due SECONDS from now, appending to OUT when it runs.
load_task() {
  local id=$1 seconds=$2 out=$3
  local when
  when=$(python3 - "$seconds" <<'PY'
import datetime, sys
t = datetime.datetime.now() + datetime.timedelta(seconds=int(sys.argv[1]))
day = (t.date() - datetime.date(1800, 12, 28)).days
print(day, ((t.hour * 60 + t.minute) * 60 + t.second) * 100 + t.microsecond // 10000 + 1)
PY
)
  set -- $when
  (cd "$WORK/data" && "$ADD_TASK" "ID=$id" "TaskType=Run Program" "Description=Count $id" \
    "Command=echo ran >> $out" ScheduleType=Custom Every=1 "EveryType=day(s)" "Date=$1" "Time=$2") \
    >"$WORK/load.log" 2>&1 || fail "add_task"
}

# Waits until the output file has a line, then lets both programs tick a
# few more times.
wait_for_run() {
  for _ in $(seq 1 200); do [ -s "$1" ] && break; sleep 0.1; done
  [ -s "$1" ] || fail "the task never ran"
  sleep 6
}

stop() {
  kill -TERM "$1" 2>/dev/null
  for _ in $(seq 1 300); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
  wait "$1"
}

# 1. The second program is refused.
load_task 1 3 "$WORK/ran1.txt"
"$PROGRAM" >"$WORK/a.log" 2>&1 &
a=$!
"$PROGRAM" >"$WORK/b.log" 2>&1 &
b=$!
wait_for_run "$WORK/ran1.txt"
ended=0
for p in $a $b; do kill -0 $p 2>/dev/null || ended=$((ended + 1)); done
[ $ended -eq 1 ] || fail "expected one of the two programs to be refused, $ended ended"
# The refused one handed its start over to the other and ended with 0.
for p in $a $b; do
  if kill -0 $p 2>/dev/null; then stop $p || fail "exit code $?"; else wait $p || fail "refused with $?"; fi
done
[ "$(wc -l <"$WORK/ran1.txt")" -eq 1 ] || fail "task 1 ran $(wc -l <"$WORK/ran1.txt") times"

# 2. The lock cannot be taken (its file is a directory): both run.
rm -f "$WORK/data/dornwatch.lock"
mkdir "$WORK/data/dornwatch.lock"
load_task 10 3 "$WORK/ran2.txt"
"$PROGRAM" >"$WORK/c.log" 2>&1 &
c=$!
"$PROGRAM" >"$WORK/d.log" 2>&1 &
d=$!
wait_for_run "$WORK/ran2.txt"
kill -0 $c 2>/dev/null && kill -0 $d 2>/dev/null || fail "both programs should run unguarded"
stop $c || fail "exit code $?"
stop $d || fail "exit code $?"
[ "$(wc -l <"$WORK/ran2.txt")" -eq 1 ] || fail "task 10 ran $(wc -l <"$WORK/ran2.txt") times"

# The file: two tasks moved to tomorrow, one completed copy of each.
(cd "$WORK/data" && "$BRK" check SM.BRK) >"$WORK/check.log" 2>&1 || fail "brk check"
(cd "$WORK/data" && "$BRK" dump 'SM\!Schedule' --csv) >"$WORK/dump.csv" || fail "brk dump"
python3 - "$WORK/dump.csv" <<'PY' || fail "schedule contents"
import csv, sys
rows = list(csv.DictReader(open(sys.argv[1])))
def col(r, name):  # whichever declaration's prefix the file was created with
    return next(v for k, v in r.items() if k.lower().endswith(":" + name.lower()))
done = [r for r in rows if col(r, "Completed") == "1"]
tasks = [r for r in rows if col(r, "Completed") == "0"]
ids = sorted(int(col(r, "ID")) for r in rows)
assert len(tasks) == 2 and len(done) == 2, (len(tasks), len(done))
assert all(col(r, "Disabled") == "1" for r in done), done
assert len(set(ids)) == len(ids), ids
PY
echo "dornwatch due task runs once: ok"

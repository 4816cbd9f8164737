#!/usr/bin/env bash
# dornctl next --schedule and the tool's usage: the times a rule falls due,
# one case per schedule type, and the exit codes and messages of bad input.
# Usage: dornctl_next.sh BUILD_DIR
set -u
tool="$1/dornctl"
failures=0
# The locale of the test: no profile settings of the user's own.
export HOME="$(mktemp -d)" DORNWATCH_CONFIG="$HOME"
trap 'rm -rf "$HOME"' EXIT

check() {  # check EXPECTED dornctl-arguments...
  local expected="$1"
  shift
  local actual status
  actual="$("$tool" "$@" 2>&1)"
  status=$?
  if [[ "$actual" != "$expected" || $status -ne 0 ]]; then
    printf 'FAIL: dornctl %s (status %d)\n--- got\n%s\n--- expected\n%s\n' "$*" $status "$actual" "$expected"
    failures=$((failures + 1))
  fi
}

refused() {  # refused STATUS TEXT-IN-MESSAGE dornctl-arguments...
  local want="$1" text="$2"
  shift 2
  local out err status
  out="$("$tool" "$@" 2>/tmp/dornctl_err.$$)"
  status=$?
  err="$(cat /tmp/dornctl_err.$$)"
  rm -f /tmp/dornctl_err.$$
  if [[ $status -ne $want || "$err" != *"$text"* || -n "$out" ]]; then
    printf 'FAIL: dornctl %s -> status %d, stderr "%s", stdout "%s"; expected %d and "%s"\n' \
      "$*" $status "$err" "$out" "$want" "$text"
    failures=$((failures + 1))
  fi
}

from=(--from "2026-12-07 10:10:00")

check "2026-12-24 18:00:00" next --schedule once --date 2026-12-24 --time 18:00 "${from[@]}"
check "" next --schedule once --date 2026-12-01 --time 18:00 "${from[@]}"
check "2027-01-31 09:00:00
2027-03-03 09:00:00
2027-04-03 09:00:00" next --schedule monthly --date 2027-01-31 --time 09:00 -n 3 "${from[@]}"
check "2028-02-29 07:00:00
2029-03-01 07:00:00" next --schedule yearly --date 2028-02-29 --time 07:00 -n 2 "${from[@]}"
# Missed since an earlier day and handled now: the first day after today.
check "2026-12-11 17:00:00
2026-12-14 17:00:00" next --schedule weekdays --days mon,fri --date 2026-11-30 --time 17:00 -n 2 "${from[@]}"
check "2026-12-25 10:00:00
2027-01-29 10:00:00" next --schedule month-weeks --days fri --weeks last --date "DEC 25, 2026" --time 10:00 -n 2 "${from[@]}"
check "2026-12-07 10:30:00
2026-12-07 11:00:00" next --schedule custom --every 30 --unit minutes --date 2026-12-07 --time 08:00 -n 2 "${from[@]}"
check "2026-12-08 11:00:00
2026-12-09 12:00:00" next --schedule custom --every 25 --unit hours --date 2026-12-07 --time 10:00 -n 2 "${from[@]}"
check "2026-12-08 17:00:00
2026-12-11 17:00:00" next --schedule custom --every 3 --unit days --date 2026-12-02 --time 17:00 -n 2 "${from[@]}"
# The moment as two words, and with a T; the option value after "=".
check "2026-12-24 18:00:00" next --schedule=once --date=2026-12-24 --time 18:00 --from 2026-12-07 10:10:00
check "2026-12-24 18:00:00" next --schedule once --date 2026-12-24 --time 18:00 --from=2026-12-07T10:10:00 -n=1
check "$(printf '%s\n' 2098-01-{01..10}' 00:00:00')" next --schedule custom --unit days --date 2098-01-01 --time 00:00

refused 1 "--date: Date given does not match schedule type." next --schedule weekdays --days mon --date 2026-12-08
refused 1 "--unit: required with --schedule custom" next --schedule custom --every 2
refused 1 "--days: only for --schedule weekdays or month-weeks" next --schedule monthly --days mon
refused 1 "--from" next --schedule once --from "2026-12-32 10:00:00"
refused 1 "-n" next --schedule once -n 0
refused 1 "--time: needs a value" next --schedule once --time
refused 1 "--warn: takes no value" next --schedule once --warn=yes
refused 1 "--schedule is required" next -n 3
refused 1 "no task with ID 12" next 12
refused 1 "task options go with --schedule, not with a task ID" next 12 --days mon
refused 1 "expected a task ID" next 12x
refused 1 "unknown command" frobnicate
refused 1 "unknown argument --bogus" next --schedule once --bogus

help="$("$tool" --help)" || { echo "FAIL: --help status"; failures=$((failures + 1)); }
for word in "--schedule once|yearly|monthly|weekdays|month-weeks|custom" "--advance DAYS[:HH:MM]" "Exit status"; do
  [[ "$help" == *"$word"* ]] || { echo "FAIL: --help lacks $word"; failures=$((failures + 1)); }
done

if [[ $failures -ne 0 ]]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "dornctl next: all passed"

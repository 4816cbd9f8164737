#!/usr/bin/env bash
# dornctl's commands on the schedule file: every command on a fresh data
# directory, add and set checked by the form's rules, list/show --json read
# by python's json, enable/disable/skip/remove, next ID against next
# --schedule for every schedule type, export then import into another data
# directory reproducing the tasks, concurrent adds from two processes, and
# the exit codes of file errors.
# Usage: dornctl_files.sh BUILD_DIR
set -u
tool="$1/dornctl"
failures=0
work="$(mktemp -d)"
export HOME="$work" DORNWATCH_CONFIG="$work" DORNWATCH_DATA="$work/data"
unset XDG_DATA_HOME
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# run STATUS dornctl-arguments...: sets $out and $err.
run() {
  local want="$1"
  shift
  out="$("$tool" "$@" 2>"$work/err")"
  local status=$?
  err="$(cat "$work/err")"
  [[ $status -eq $want ]] || fail "dornctl $* -> $status (wanted $want): $out $err"
}

# json EXPRESSION: evaluates a python expression over `j`, the JSON of $out.
json() {
  python3 -c "import json,sys; j=json.loads(sys.stdin.read()); print($1)" <<<"$out" \
    || fail "not JSON: $out"
}

# --- A fresh data directory: reading finds nothing and creates nothing.
run 0 list
[[ -z "$out" ]] || fail "list of nothing: $out"
run 0 list --json
[[ "$(json 'len(j)')" == 0 ]] || fail "list --json of nothing: $out"
run 0 history
run 1 history --since 2026-13-01
[[ "$err" == *"--since"* ]] || fail "history --since: $err"
run 1 show 1
[[ "$err" == "dornctl: no task with ID 1" ]] || fail "show 1: $err"
for cmd in "set 1 --description x" "remove 1" "enable 1" "disable 1" "skip 1" "next 1"; do
  run 1 $cmd
  [[ "$err" == *"no task with ID 1"* ]] || fail "$cmd on nothing: $err"
done
run 0 export -
[[ "$out" == *BEGIN:VCALENDAR* && "$out" != *VEVENT* ]] || fail "export of nothing: $out"
[[ ! -e "$work/data" ]] || fail "reading commands created the data directory"
run 1 show abc
run 1 frobnicate

# --- add: the identifier alone, categories made to exist.
run 0 add --description "Team sync" --category Work --schedule month-weeks --days mon,fri \
  --weeks 1st,last --date 2026-12-07 --time 09:30 --message $'Room 4\nfloor 2' --advance 0:00:15
[[ "$out" == 1 ]] || fail "first add printed '$out'"
[[ -f "$work/data/SM.BRK" ]] || fail "add made no SM.BRK"
run 0 add --description Backup --category work --command "tar czf /tmp/b.tgz ." \
  --schedule custom --every 90 --unit minutes --date 2026-12-07 --time 23:00 --warn --ask
[[ "$out" == 2 ]] || fail "second add printed '$out'"
run 0 add --description Later --schedule once --date 2026-12-20 --time 08:00 --disabled
[[ "$out" == 3 ]] || fail "third add printed '$out'"

# The form's rules refuse before anything is written.
refused() {  # refused OPTION TEXT dornctl-arguments...
  local option="$1" text="$2"
  shift 2
  run 1 "$@"
  [[ "$err" == "dornctl: $option: $text" ]] || fail "dornctl $*: '$err', wanted '$option: $text'"
}
mismatch="Date given does not match schedule type."
refused --date "$mismatch" add --schedule weekdays --days mon --date 2026-12-08
refused --date "$mismatch" add --schedule month-weeks --days tue --weeks 2nd --date 2026-12-01
refused --date "$mismatch" add --schedule month-weeks --days thu --weeks 1st,2nd --date 2026-12-31
refused --description "longer than 40 characters" add --description "$(printf 'x%.0s' {1..41})"
refused --every "only for --schedule custom" add --schedule weekdays --every 3
refused --unit "required with --schedule custom" add --schedule custom --every 3
refused --date "$mismatch" set 1 --days tue
refused --type "expected program, message, both or none" set 2 --type daemon
run 0 list --all --json
[[ "$(json 'len(j)')" == 3 ]] || fail "refused adds wrote something: $out"

# --- list and show as JSON.
run 0 list --json
[[ "$(json '[t["id"] for t in j]')" == "[1, 2]" ]] || fail "list order/filter: $out"
run 0 list --all --json
[[ "$(json '[t["id"] for t in j]')" == "[1, 2, 3]" ]] || fail "list --all: $out"
run 0 list --category WORK --json
[[ "$(json '[t["category"] for t in j]')" == "['Work', 'Work']" ]] || fail "category: $out"
run 0 show 1 --json
[[ "$(json 'j["message"]')" == $'Room 4\nfloor 2' ]] || fail "message: $out"
[[ "$(json '(j["schedule"], j["days"], j["weeks"], j["date"], j["time"])')" == \
  "('month-weeks', ['mon', 'fri'], ['1st', 'last'], '2026-12-07', '09:30:00')" ]] \
  || fail "show 1 rule: $out"
[[ "$(json '(j["advanceWarnDate"], j["advanceWarnTime"], j["type"])')" == \
  "('2026-12-07', '09:15:00', 'Display Message')" ]] || fail "show 1 warning: $out"
run 0 show 2 --json
[[ "$(json '(j["type"], j["every"], j["unit"], j["warn"], j["ask"], j["command"])')" == \
  "('Run Program', 90, 'minutes', True, True, 'tar czf /tmp/b.tgz .')" ]] || fail "show 2: $out"
run 0 show 1
[[ "$out" == *"Warn if not run on specified date: no"* && "$out" == *$'Message:\n  Room 4\n  floor 2'* ]] \
  || fail "show 1 as text: $out"
run 0 list
[[ "$(wc -l <<<"$out")" == 3 && "$out" == *"Team sync"* && "$out" != *Later* ]] || fail "list: $out"

# Stored text that is not UTF-8 (Latin-1 from older files) and a tab still
# make JSON; other control characters are refused in a message as in every
# other text.
run 1 add --description bell --message $'ring\x07'
[[ "$err" == "dornctl: --message: holds a control character" ]] || fail "--message with BEL: $err"
run 0 add --description $'Caf\xe9 \xabm\xeame\xbb' --message $'tab\there "quoted" back\\slash'
latin="$out"
run 0 show "$latin" --json
[[ "$(json 'j["description"] == "Caf\u00e9 \u00abm\u00eame\u00bb" and j["message"] == "tab\there \"quoted\" back\\slash"')" == True ]] \
  || fail "JSON of odd text: $out"
run 0 remove "$latin"

# --- set, enable, disable, skip, remove.
run 0 set 1 --date 2026-12-04 --description "Team sync moved"
run 0 show 1 --json
[[ "$(json '(j["date"], j["description"], j["advanceWarnDate"], j["advanceWarnTime"])')" == \
  "('2026-12-04', 'Team sync moved', '2026-12-04', '09:15:00')" ]] || fail "set: $out"
run 0 disable 1
run 0 list --json
[[ "$(json '[t["id"] for t in j]')" == "[2]" ]] || fail "disabled task listed: $out"
run 0 next 1
[[ -z "$out" && "$err" == *disabled* ]] || fail "next of a disabled task: $out / $err"
run 0 enable 1
run 0 skip 2
run 0 show 2 --json
[[ "$(json '(j["skipNextTime"], j["disabled"])')" == "(True, False)" ]] || fail "skip: $out"
run 0 remove 3
run 1 show 3
run 0 list --all --json
[[ "$(json '[t["id"] for t in j]')" == "[1, 2]" ]] || fail "after remove: $out"

# --- next ID agrees with next --schedule (NextOccurrence) for every type.
from="2026-12-07 08:00:00"
rules=(
  "--schedule once --date 2026-12-09 --time 10:00"
  "--schedule yearly --date 2028-02-29 --time 07:00"
  "--schedule monthly --date 2027-01-31 --time 12:00"
  "--schedule weekdays --days tue,sat --date 2026-12-08 --time 06:30"
  "--schedule month-weeks --days mon --weeks 1st,3rd,last --date 2026-12-07 --time 18:00"
  "--schedule custom --every 25 --unit hours --date 2026-12-07 --time 10:00"
  "--schedule custom --every 45 --unit minutes --date 2026-12-06 --time 23:50"
  "--schedule custom --every 3 --unit days --date 2026-12-01 --time 17:00"
  "--schedule custom --every 2 --unit weeks --date 2026-12-10 --time 09:00"
  "--schedule custom --every 5 --unit months --date 2026-10-31 --time 09:00"
  "--schedule custom --every 2 --unit years --date 2026-12-24 --time 20:00"
)
for rule in "${rules[@]}"; do
  run 0 add $rule
  id="$out"
  run 0 next "$id" -n 25 --from "$from"
  by_id="$out"
  run 0 next $rule -n 25 --from "$from"
  [[ -n "$by_id" && "$by_id" == "$out" ]] || fail "next $id ($rule): $by_id / $out"
done

# --- export, then import into another data directory: the same tasks.
run 0 export "$work/all.ics"
python3 - "$work/all.ics" <<'EOF' || fail "exported file not well formed"
import sys
text = open(sys.argv[1], newline="").read()
assert text.startswith("BEGIN:VCALENDAR\r\n") and text.endswith("END:VCALENDAR\r\n")
assert all(len(l) <= 75 for l in text.split("\r\n")), "unfolded line"
EOF
run 0 export "$work/work.ics" --category work
[[ "$(grep -c '^BEGIN:VEVENT' "$work/work.ics")" == 2 ]] || fail "export --category"
compare_fields='[{k: v for k, v in t.items() if k not in ("id", "lastRunDate", "lastRunTime", "skipNextTime", "advanceWarned", "completed")} for t in j]'
run 0 list --all --json
before="$(json "$compare_fields")"
run 0 --data "$work/copy" import "$work/all.ics" --dry-run
[[ "$(grep -c '^add ' <<<"$out")" == 13 && ! -e "$work/copy" ]] || fail "dry run: $out"
run 0 --data "$work/copy" import "$work/all.ics"
[[ "$(wc -l <<<"$out")" == 13 && -z "$err" ]] || fail "import: $out / $err"
run 0 --data "$work/copy" list --all --json
after="$(json "$compare_fields")"
[[ "$before" == "$after" ]] || fail "import differs:
$before
$after"
run 0 --data "$work/copy" import "$work/work.ics" --category Imported
run 0 --data "$work/copy" list --category imported --json
[[ "$(json 'len(j)')" == 2 ]] || fail "import --category: $out"

# Bad calendars change nothing.
head -c 400 "$work/all.ics" >"$work/cut.ics"
{ printf 'BEGIN:VCALENDAR\r\nSUMMARY:Caf\xe9\r\n'; cat "$work/all.ics"; } >"$work/latin1.ics"
{ printf 'BEGIN:VCALENDAR\r\nX-BIG:'; head -c 20000 /dev/zero | tr '\0' x; printf '\r\nEND:VCALENDAR\r\n'; } >"$work/huge.ics"
for bad in cut latin1 huge; do
  run 1 --data "$work/copy" import "$work/$bad.ics"
  [[ "$err" == *"nothing imported"* ]] || fail "import $bad.ics: $err"
done
run 2 import "$work/missing.ics"
run 0 --data "$work/copy" list --all --json
[[ "$(json 'len(j)')" == 15 ]] || fail "bad imports wrote: $(json 'len(j)')"

# --- Two processes adding at once, each with the file open: every add
# gets an identifier of its own.
adder() {
  for i in 1 2 3 4 5 6; do "$tool" add --description "$1 $i" --category "$1" || echo failed; done
}
adder left >"$work/left" 2>&1 &
adder right >"$work/right" 2>&1
wait
ids="$(cat "$work/left" "$work/right")"
[[ "$(sort -u <<<"$ids" | grep -cx '[0-9]*')" == 12 ]] || fail "concurrent adds: $ids"
run 0 list --json
[[ "$(json 'len(j)')" == 25 ]] || fail "after concurrent adds: $(json 'len(j)')"

# --- File errors: exit 2 with the driver's number and text.
printf 'not a database file at all, not at all, really not' >"$work/data/SM.BRK"
run 2 list
[[ "$err" =~ ^dornctl:\ Schedule:\ .*\([0-9]+\)$ ]] || fail "damaged file: $err"
run 2 add --description x
: >"$work/plain"
run 2 --data "$work/plain" add --description x
[[ "$err" == *"cannot use data directory"* ]] || fail "data directory a file: $err"

if [[ $failures -gt 0 ]]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "dornctl files: all passed"

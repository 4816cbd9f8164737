#!/usr/bin/env bash
# dornctl's iCalendar mapping end to end: a task exported as an event reads
# back as the same options, and damaged files are refused with exit 1 and a
# message naming the fault; a missing file is a file error (exit 2).
# Usage: dornctl_ical.sh BUILD_DIR
set -u
tool="$1/dornctl"
failures=0
work="$(mktemp -d)"
export HOME="$work" DORNWATCH_CONFIG="$work"
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Round trip through a file: the options read back describe the same task.
opts=(--schedule month-weeks --days mon,fri --weeks 1st,last --date 2026-12-07 --time 09:30
  --description "Team sync" --message "Room 4, floor 2" --category Work --command "notify-send 'hi; there'"
  --advance 1:02:15 --warn --ask)
"$tool" ical-event "${opts[@]}" > "$work/a.ics" || fail "ical-event status $?"
grep -q '^RRULE:FREQ=MONTHLY;UNTIL=20991231T235959;BYDAY=1MO,-1MO,1FR,-1FR' "$work/a.ics" \
  || fail "RRULE missing: $(cat "$work/a.ics")"
grep -q '^TRIGGER:-P1DT2H15M' "$work/a.ics" || fail "VALARM trigger missing"
read_back="$("$tool" ical-read "$work/a.ics" 2>"$work/notes")" || fail "ical-read status $?"
[[ ! -s "$work/notes" ]] || fail "notes on our own file: $(cat "$work/notes")"
eval "set -- ${read_back#add }"
"$tool" ical-event "$@" > "$work/b.ics" || fail "re-export status $?"
diff <(grep -v DTSTAMP "$work/a.ics") <(grep -v DTSTAMP "$work/b.ics") > /dev/null \
  || fail "round trip differs: $(diff <(grep -v DTSTAMP "$work/a.ics") <(grep -v DTSTAMP "$work/b.ics"))"

# A rule without an exact RRULE: a year of RDATEs, the same days as next.
"$tool" ical-event --schedule monthly --date 2027-01-31 --time 09:00 > "$work/m.ics"
rdates="$(grep '^RDATE' "$work/m.ics" | sed 's/RDATE:\(....\)\(..\)\(..\)T\(..\)\(..\)\(..\)/\1-\2-\3 \4:\5:\6/' | tr -d '\r')"
expected="$("$tool" next --schedule monthly --date 2027-01-31 --time 09:00 --from "2027-01-31 09:00:00" -n 11)"
[[ "$rdates" == "$expected" ]] || fail "RDATEs differ from next: $rdates / $expected"

refused() {  # refused STATUS TEXT FILE
  local out status
  out="$("$tool" ical-read "$3" 2>&1)"
  status=$?
  [[ $status -eq $1 && "$out" == *"$2"* ]] || fail "ical-read $3 -> $status '$out', expected $1 '$2'"
}
head -c 300 "$work/a.ics" > "$work/truncated.ics"
refused 1 "truncated: BEGIN:" "$work/truncated.ics"
{ printf 'BEGIN:VCALENDAR\r\nSUMMARY:Caf\xe9\r\n'; cat "$work/a.ics"; } > "$work/latin1.ics"
refused 1 "line 2: not UTF-8 text" "$work/latin1.ics"
{ printf 'BEGIN:VCALENDAR\r\nX-BIG:'; head -c 20000 /dev/zero | tr '\0' x; printf '\r\nEND:VCALENDAR\r\n'; } > "$work/huge.ics"
refused 1 "line 2: longer than 8192 characters" "$work/huge.ics"
refused 2 "No such file" "$work/missing.ics"

if [[ $failures -ne 0 ]]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "dornctl ical: all passed"

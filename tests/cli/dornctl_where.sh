#!/bin/bash
# dornctl's view of the search: list --where keeps the tasks an expression
# holds for (through a key range or by ID), a text that does not compile
# exits 1 with the evaluator's reason and position, and select / unselect /
# list --selected set, clear and show the tags; an unknown ID changes
# nothing, not even the tag file.
set -u
BUILD=${1:?build folder}
CTL="$BUILD/dornctl"
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
export DORNWATCH_DATA="$T/data" DORNWATCH_CONFIG="$T/config"

add() { "$CTL" add --type none --description "$1" --category "$2" --date "$3" --time 09:00 >/dev/null ||
  fail "add $1"; }
add "Nightly backup" Backups 2030-01-01
add "Water plants" Home 2030-01-02
add "Weekly backup" Backups 2031-03-05
add "Call mother" Home 2031-03-09

ids() { "$CTL" list "$@" | awk 'NR > 1 { printf "%s ", $1 }'; }
while IFS='|' read -r expression want; do
  got=$(ids --where "$expression") || fail "--where $expression: exit $?"
  [ "$got" = "$want" ] || fail "--where $expression: got '$got', want '$want'"
done <<'CASES'
UPPER(SCH:Category) = 'BACKUPS'|1 3 
SCH:Category = 'Home' AND SCH:Date >= DATE(1,1,2031)|4 
INSTRING('backup', LOWER(SCH:Description), 1, 1) > 0|1 3 
SCH:Date < DATE(1,1,2000)|
CASES

"$CTL" list --where "SCH:Category = = 'x'" >"$T/out" 2>&1; code=$?
[ $code -eq 1 ] && grep -q "position" "$T/out" || fail "bad expression: exit $code: $(cat "$T/out")"

"$CTL" select 3 4 || fail "select"
[ "$(ids --selected)" = "3 4 " ] || fail "selected: $(ids --selected)"
cp "$T/data/TagFile_.BRK" "$T/tags.before"
"$CTL" unselect 2 99 >"$T/out" 2>&1; code=$?
[ $code -eq 1 ] && grep -q "no task with ID 99" "$T/out" || fail "unknown ID: exit $code: $(cat "$T/out")"
cmp -s "$T/tags.before" "$T/data/TagFile_.BRK" || fail "a refused unselect changed the tag file"
"$CTL" unselect 3 || fail "unselect"
[ "$(ids --selected)" = "4 " ] || fail "after unselect: $(ids --selected)"
"$CTL" remove 4 >/dev/null || fail "remove"
[ -z "$(ids --selected)" ] || fail "a removed task keeps its tag: $(ids --selected)"
echo "dornctl where and select: OK"

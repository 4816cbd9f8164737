#!/usr/bin/env bash
# dornctl's to-do and category commands (docs/dornctl.md): an empty data
# directory lists nothing and creates nothing; items are named by their
# record number, which names nothing once the item is gone; the priority's
# range message; categories added, renamed and removed, a name in use
# refused with the category window's message and SM.BRK left byte for byte
# as it was; the lists read back as JSON; brk check passes.
# Usage: dornctl_lists.sh BUILD_DIR
set -u
build="$(cd "$1" && pwd)"
tool="$build/dornctl"
brk="$build/brk"
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

run 0 todo list --json
[[ "$out" == "[]" ]] || fail "empty todo list: $out"
run 0 categories list
[[ -z "$out" ]] || fail "empty categories: $out"
[[ ! -e "$work/data" ]] || fail "a list created the data directory"

# To-do items.
run 0 todo add "Buy milk" --priority 3
milk="$out"
run 0 todo add "Call Bob"
bob="$out"
run 1 todo add "Too high" --priority 11
[[ "$err" == "dornctl: The value of tDo:Priority must be between 1 and 10." ]] || fail "range: $err"
run 1 todo add "Too low" --priority 0
run 0 todo done "$milk"
run 0 todo list --json
python3 - "$out" "$milk" "$bob" <<'PY' || fail "todo list --json: $out"
import json, sys
items, milk, bob = json.loads(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
# The "Done" tab's order: not done first.
assert items == [{"id": bob, "done": False, "priority": 5, "text": "Call Bob"},
                 {"id": milk, "done": True, "priority": 3, "text": "Buy milk"}], items
PY
run 0 todo undone "$milk"
run 0 todo remove "$bob"
run 1 todo done "$bob"
[[ "$err" == "dornctl: no to-do item with ID $bob" ]] || fail "gone item: $err"
run 1 todo remove "$bob"
run 1 todo done x
run 0 todo list
[[ "$out" == *"Buy milk"* && "$out" != *"Call Bob"* ]] || fail "todo list: $out"

# Categories.
run 0 categories add Backups
run 1 categories add backups
[[ "$err" == "dornctl: category backups exists already" ]] || fail "duplicate: $err"
run 0 add --description "Copy photos" --category Backups --schedule once --date 2031-01-15 --time 09:30
task=$out
run 0 categories add Spare
run 0 categories rename spare Extra
run 1 categories rename Extra Backups
cp "$work/data/SM.BRK" "$work/before.brk"
run 1 categories remove Backups
[[ "$err" == "dornctl: This record is referenced from the file Schedule.  This record cannot be deleted while these references exist." ]] ||
  fail "remove in use: $err"
run 1 categories rename Backups Archive
[[ "$err" == "dornctl: This record is referenced from the file Schedule.  Linking field(s) have been restricted from change and have been reset to original values." ]] ||
  fail "rename in use: $err"
cmp -s "$work/data/SM.BRK" "$work/before.brk" || fail "a refused change changed SM.BRK"
run 1 categories remove Nothing
run 0 categories remove extra
run 0 categories list --json
[[ "$out" == '["Backups"]' ]] || fail "categories list --json: $out"
# A task moved to a new category brings it; the old one is then free.
run 0 set "$task" --category Archive
run 0 categories remove Backups
run 0 categories list --json
[[ "$out" == '["Archive"]' ]] || fail "categories after set --category: $out"
(cd "$work/data" && "$brk" check SM.BRK >"$work/check.log" 2>&1) || { fail "brk check"; cat "$work/check.log"; }

[[ $failures -eq 0 ]] && echo "dornctl lists: ok"
exit $((failures > 0))

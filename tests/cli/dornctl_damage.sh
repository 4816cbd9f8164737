#!/usr/bin/env bash
# dornctl on a damaged schedule file (bytes of pages overwritten, the file
# cut short): a read that meets the damage ends with "Invalid Data File",
# the file's name and the advice to run brk check, never an internal check
# line; a change is refused, says why, and leaves the file as it was.
# Usage: dornctl_damage.sh BUILD_DIR
set -u
tool="$1/dornctl"
brk="$1/brk"
failures=0
work="$(mktemp -d)"
export HOME="$work" DORNWATCH_CONFIG="$work" DORNWATCH_DATA="$work/data"
unset XDG_DATA_HOME
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

message="$(printf 'm%.0s' {1..300})"
for i in $(seq 1 150); do
  "$tool" add --description "task $i" --message "$message" --time 10:00 >/dev/null ||
    { echo "FAIL: add $i"; exit 1; }
done
cp "$work/data/SM.BRK" "$work/sound.brk"

# damage PAGE: the sound file with bytes of its 512-byte block PAGE overwritten.
damage() {
  cp "$work/sound.brk" "$work/data/SM.BRK"
  printf 'garbage%.0s' {1..12} |
    dd of="$work/data/SM.BRK" bs=1 seek=$(($1 * 512 + 16)) conv=notrunc 2>/dev/null
}

reads_seen=0
for block in 1 5 20 40 50; do
  damage "$block"
  "$brk" check "$work/data/SM.BRK" >/dev/null && continue  # not a page in use
  before="$(md5sum <"$work/data/SM.BRK")"
  err="$("$tool" list 2>&1 >/dev/null)"
  if [[ -n "$err" ]]; then
    reads_seen=$((reads_seen + 1))
    [[ "$err" == *"Invalid Data File"*"SM.BRK"*"brk check SM.BRK"* ]] ||
      fail "list on block $block: $err"
    [[ "$err" != *"brkbt line"* ]] || fail "list on block $block: an internal line: $err"
  fi
  for change in "add --description x --time 10:00" "set 3 --description y" "remove 4"; do
    err="$("$tool" $change 2>&1 >/dev/null)"
    status=$?
    [[ $status -eq 2 && "$err" == *"Invalid Data File"*"brk check SM.BRK"* ]] ||
      fail "$change on block $block -> $status: $err"
  done
  [[ "$(md5sum <"$work/data/SM.BRK")" == "$before" ]] || fail "block $block: the file changed"
done
((reads_seen > 0)) || fail "no damaged block was met by list"

# A file cut short.
cp "$work/sound.brk" "$work/data/SM.BRK"
truncate -s 20000 "$work/data/SM.BRK"
err="$("$tool" list 2>&1 >/dev/null)"
[[ "$err" == *"Invalid Data File"*"brk check SM.BRK"* && "$err" != *"brkbt line"* ]] ||
  fail "list of a file cut short: $err"

if ((failures > 0)); then
  echo "$failures failure(s)"
  exit 1
fi
echo "dornctl on damaged files: ok"

#!/bin/bash
# brk info and brk check on files written by the storage core: a sound file,
# an enciphered one, damaged pages and a damaged header.
set -u
BUILD=${1:?build folder}
BRK="$BUILD/brk"
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$BRK" sample "$T/a.brk" 400 || fail "sample"
"$BRK" check "$T/a.brk" > "$T/out" || fail "check of a sound file: $(cat "$T/out")"
grep -q "sound (400 entries" "$T/out" || fail "entry count: $(cat "$T/out")"
"$BRK" info "$T/a.brk" > "$T/info" || fail "info"
for field in "change counter" "root page" "pending range" "tree depth *2" "entries *400" "regions"; do
  grep -q "$field" "$T/info" || fail "info lacks '$field': $(cat "$T/info")"
done
# The file ends at its end of data.
size=$(stat -c %s "$T/a.brk")
grep -q "end of data *$size" "$T/info" || fail "file not cut at the end of data"

# Damage a page's entry count: the fault names the page.
cp "$T/a.brk" "$T/b.brk"
printf '\x7f' | dd of="$T/b.brk" bs=1 seek=$((512 + 10)) conv=notrunc 2>/dev/null
"$BRK" check "$T/b.brk" > "$T/out"; rc=$?
[ $rc -eq 1 ] || fail "damaged page gave exit $rc"
grep -q "page 0" "$T/out" || fail "fault does not name page 0: $(cat "$T/out")"

# A damaged magic is refused.
cp "$T/a.brk" "$T/c.brk"
printf 'X' | dd of="$T/c.brk" bs=1 seek=14 conv=notrunc 2>/dev/null
"$BRK" check "$T/c.brk" > "$T/out"; rc=$?
[ $rc -eq 1 ] || fail "wrong magic gave exit $rc"

# An enciphered file needs its password.
"$BRK" sample "$T/e.brk" 50 --password owner || fail "sample enciphered"
"$BRK" check "$T/e.brk" --password owner > "$T/out" || fail "enciphered check: $(cat "$T/out")"
"$BRK" check "$T/e.brk" > "$T/out" && fail "enciphered file passed without its password"

# Usage errors.
"$BRK" frobnicate 2>/dev/null; [ $? -eq 2 ] || fail "usage exit"
echo "brk_check: ok"

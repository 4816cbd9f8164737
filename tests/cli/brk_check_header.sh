#!/bin/bash
# brk check on files whose header is the question: a file that only ever
# had its header committed, and a populated file whose header was zeroed.
set -u
BUILD=${1:?build folder}
BRK="$BUILD/brk"
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# A file of no entries: only the header is written, and it reads back.
"$BRK" sample "$T/empty.brk" 0 || fail "sample of 0 entries"
"$BRK" check "$T/empty.brk" > "$T/out" || fail "check of an empty file: $(cat "$T/out")"
grep -q "sound (0 entries" "$T/out" || fail "empty file: $(cat "$T/out")"

# A populated file whose first 512 bytes are zeroed is damaged, not new:
# the check says so and what it found after the header.
"$BRK" sample "$T/z.brk" 500 || fail "sample"
dd if=/dev/zero of="$T/z.brk" bs=512 count=1 conv=notrunc 2>/dev/null
before=$(md5sum < "$T/z.brk")
"$BRK" check "$T/z.brk" > "$T/out"; rc=$?
[ $rc -eq 1 ] || fail "zeroed header gave exit $rc: $(cat "$T/out")"
grep -q "all zero" "$T/out" || fail "fault not named: $(cat "$T/out")"
grep -q "page images from byte 512" "$T/out" || fail "pages after it not described: $(cat "$T/out")"
[ "$(md5sum < "$T/z.brk")" = "$before" ] || fail "check wrote to the damaged file"

# Zeros and nothing else: a new file.
head -c 2048 /dev/zero > "$T/zeros.brk"
"$BRK" check "$T/zeros.brk" > "$T/out" || fail "all-zero file: $(cat "$T/out")"
echo "brk_check_header: ok"

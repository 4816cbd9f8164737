#!/bin/bash
# brk build and the table part of brk check: an index that loads leave
# stale, built by name; a unique index that refuses a repeated value and
# names the record; a second build that starts again there.
set -u
BUILD=${1:?build folder}
BRK="$BUILD/brk"
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
cd "$T"

cat > people.def <<'DEF'
field P:ID LONG
field P:Name STRING(10)
field P:Town STRING(8)
key P:KeyID P:ID unique primary
key P:ByName P:Name,-P:ID dup nocase
key P:ByTown P:Town index
key P:AllTowns P:Town,P:ID index dup
key P:Dyn dynamic
DEF
"$BRK" create 'PP\!People' people.def > /dev/null || fail "create"
printf 'P:ID,P:Name,P:Town\n1,ann,Oslo\n2,Bob,Rome\n3,cy,Oslo\n4,dee,Bonn\n' > rows.csv
"$BRK" load 'PP\!People' < rows.csv > /dev/null || fail "load"

# Loads keep the two plain keys and only mark the indexes.
"$BRK" check PP.BRK > out || fail "check after load: $(cat out)"
grep -q "table PEOPLE (number 1): sound, 4 records, P:KeyID 4, P:ByName 4, P:ByTown 0, P:AllTowns 0" out ||
  fail "check said: $(cat out)"

# BUILD of the table leaves the indexes alone; a named index is built.
"$BRK" build 'PP\!People' > out || fail "build of the table: $(cat out)"
grep -q "key 0 P:KeyID *4 entries" out || fail "build listed: $(cat out)"
grep -q "P:ByTown" out && fail "the table's build touched an index"
"$BRK" build 'PP\!People' p:alltowns > out || fail "build of an index: $(cat out)"
grep -q "key 3 P:AllTowns *4 entries$" out || fail "build of AllTowns: $(cat out)"
"$BRK" dump 'PP\!People' --key P:AllTowns --csv | cut -d, -f1 | tr '\n' ' ' > order
[ "$(cat order)" = "P:ID 4 1 3 2 " ] || fail "AllTowns order: $(cat order)"

# A unique index refuses the second Oslo: record 4 is the first refused
# (records are numbered from 2 after the table's number 1).
"$BRK" build 'PP\!People' ByTown > out; [ $? -eq 1 ] || fail "duplicate not refused: $(cat out)"
grep -q "key 2 P:ByTown *3 entries, rebuild marker 4" out || fail "refusal: $(cat out)"
grep -q "Creates Duplicate Key (40)" out || fail "no 40: $(cat out)"
"$BRK" check PP.BRK > out || fail "check after a refused build: $(cat out)"
"$BRK" build 'PP\!People' ByTown > out; [ $? -eq 1 ] || fail "second build: $(cat out)"
grep -q "rebuild marker 4" out || fail "second build: $(cat out)"

# Mistakes.
"$BRK" build 'PP\!People' nokey > out; [ $? -eq 1 ] || fail "unknown key accepted"
grep -q "has no key nokey" out || fail "unknown key: $(cat out)"
"$BRK" build 'PP\!People' P:Dyn > out; [ $? -eq 1 ] || fail "dynamic index built"
grep -q "dynamic index" out || fail "dynamic: $(cat out)"
"$BRK" build 'PP\!Nobody' > out; [ $? -eq 1 ] || fail "missing table accepted"
"$BRK" build > /dev/null 2>&1; [ $? -eq 2 ] || fail "usage"
echo "brk build: all passed"

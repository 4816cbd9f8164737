#!/bin/bash
# brk create, load, tables, dump and check together on a Schedule-shaped
# table: 100,000 records in optimised builds, 10,000 in the sanitizer build
# (the 100,000-record run there takes minutes; bench/schedule_bench runs the
# full count).  DW_BRK_RECORDS overrides the count.
set -u
BUILD=${1:?build folder}
BRK="$BUILD/brk"
DATA="$(cd "$(dirname "$0")" && pwd)/data"
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

N=100000
grep -q "DW_SANITIZE:BOOL=ON" "$BUILD/CMakeCache.txt" 2>/dev/null && N=10000
N=${DW_BRK_RECORDS:-$N}
cd "$T"

"$BRK" create 'SM\!Schedule' "$DATA/schedule.def" > out || fail "create: $(cat out)"
grep -q "table SCHEDULE number 1, record length 412, 40 fields, 1 memos, 9 keys" out ||
  fail "create said: $(cat out)"
"$BRK" create 'SM\!Schedule' "$DATA/schedule.def" 2> out; [ $? -eq 1 ] ||
  fail "a second create did not refuse the existing table"
"$BRK" create 'SM\!History' "$DATA/schedule.def" > /dev/null || fail "second table"

awk -v n="$N" -f "$DATA/schedule_rows.awk" > rows.csv
"$BRK" load 'SM\!Schedule' --batch 1000 < rows.csv > out || fail "load: $(cat out)"
grep -q "^$N records loaded" out || fail "load said: $(cat out)"

"$BRK" tables SM.BRK > out || fail "tables"
grep -q "^SCHEDULE  number 1  records $N " out || fail "record count: $(head -1 out)"
[ "$(grep -c "  entries $N  marker 0" out)" -eq 9 ] || fail "key entries: $(cat out)"
grep -q "^HISTORY  number 2  records 0 " out || fail "second table: $(cat out)"

"$BRK" check SM.BRK > out || fail "check: $(cat out)"

# Key order: by date, then time.
"$BRK" dump 'SM\!Schedule' --key SCH:KeyDate --csv > bydate.csv || fail "dump by key"
[ "$(wc -l < bydate.csv)" -eq $((N + 1)) ] || fail "dump by key: $(wc -l < bydate.csv) lines"
awk -F, 'NR > 2 && ($22 < d || ($22 == d && $23 < t)) { bad = NR } { d = $22; t = $23 }
         END { exit bad ? 1 : 0 }' bydate.csv || fail "dump by SCH:KeyDate is out of order"

# A dump loads back into an equal table.
"$BRK" dump 'SM\!Schedule' --csv > all.csv || fail "dump"
"$BRK" create 'SM\!Copy' "$DATA/schedule.def" > /dev/null || fail "create copy"
"$BRK" load 'SM\!Copy' --batch 5000 < all.csv > out || fail "reload: $(cat out)"
"$BRK" dump 'SM\!Copy' --csv > again.csv || fail "dump copy"
cmp -s all.csv again.csv || fail "the reloaded table dumps differently"
grep -q '"Remember, the [a-z]* task ""[0-9]*"""' all.csv || fail "memos with quotes lost"

# A bad row stops the load at its line; the rows before it stay.
{ head -4 rows.csv; sed -n 2p rows.csv; sed -n 6,9p rows.csv; } > dup.csv
"$BRK" create 'SM\!Dup' "$DATA/schedule.def" > /dev/null
"$BRK" load 'SM\!Dup' --batch 2 < dup.csv 2> err; [ $? -eq 1 ] || fail "duplicate row accepted"
grep -q "line 5: creates a duplicate key (error 40); 3 records loaded" err || fail "dup: $(cat err)"
"$BRK" tables SM.BRK | grep -q "^DUP  number [0-9]*  records 3 " || fail "rows before the bad one"
printf 'SCH:ID,SCH:Every\n100,2\n101,x\n' | "$BRK" load 'SM\!Dup' 2> err; [ $? -eq 1 ] ||
  fail "bad number accepted"
grep -q "line 3: SCH:Every: not a whole number: 'x'" err || fail "bad value: $(cat err)"
printf 'SCH:ID,SCH:Nothing\n' | "$BRK" load 'SM\!Dup' 2> err; [ $? -eq 2 ] || fail "bad header"

# Definitions with mistakes name their line.
printf 'field A LONG\nfield B STRING\n' > bad.def
"$BRK" create 'X\!T' bad.def 2> err; [ $? -eq 2 ] || fail "bad definition accepted"
grep -q "line 2: STRING needs a length" err || fail "bad definition: $(cat err)"
"$BRK" check SM.BRK > out || fail "final check: $(cat out)"
echo "brk_tables: ok ($N records)"

#!/bin/bash
# brk load --transaction: a good load commits every row at once; a bad row
# (a duplicate key, a value that does not fit, a short row) rolls the whole
# load back and the table stays as it was; --progress reports adds and the
# commit; one file's transaction leaves no control file behind; --batch and
# --transaction together are refused.  Without --transaction a bad row keeps
# the rows before it.
set -u
BUILD=${1:?build folder}
BRK="$BUILD/brk"
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
cd "$T"

cat > t.def <<'DEF'
field T:ID LONG
field T:Name STRING(8)
memo T:Note 600
key T:KeyID T:ID unique
key T:KeyName T:Name dup nocase
DEF
"$BRK" create 'f\!T' t.def > /dev/null || fail "create"
printf 'T:ID,T:Name\n1,one\n2,two\n' | "$BRK" load 'f\!T' > /dev/null || fail "first load"
"$BRK" dump 'f\!T' --csv > before.csv || fail "dump"

# A good load with progress.
{
  echo 'T:ID,T:Name,T:Note'
  for i in 3 4 5; do echo "$i,n$i,\"note, $i\""; done
} > good.csv
"$BRK" load 'f\!T' --transaction --progress < good.csv > out || fail "good load: $(cat out)"
expected=$'added 1\nadded 2\nadded 3\ncommitted 3\n3 records loaded'
[ "$(cat out)" = "$expected" ] || fail "progress: $(cat out)"
[ "$("$BRK" dump 'f\!T' --csv | wc -l)" -eq 6 ] || fail "rows after the good load"
[ -e brisk.tcf ] && fail "a one-file transaction made a control file"
cp f.BRK good.BRK

# Bad rows in the middle of a transaction: nothing of the load stays.
bad_dup=$'T:ID,T:Name\n6,six\n7,seven\n2,again\n8,eight'
bad_fit=$'T:ID,T:Name\n6,six\n7,toolongname'
bad_short=$'T:ID,T:Name\n6,six\n7'
for input in "$bad_dup" "$bad_fit" "$bad_short"; do
  cp good.BRK f.BRK
  "$BRK" dump 'f\!T' --csv > expect.csv
  printf '%s\n' "$input" | "$BRK" load 'f\!T' --transaction 2> err > /dev/null
  rc=$?
  [ $rc -eq 1 ] || fail "bad row gave exit $rc: $(cat err)"
  grep -q "nothing loaded" err || fail "message: $(cat err)"
  "$BRK" dump 'f\!T' --csv > got.csv
  cmp -s expect.csv got.csv || fail "a rolled-back load left rows: $(diff expect.csv got.csv)"
  "$BRK" check f.BRK > check.out || fail "check after rollback: $(cat check.out)"
done
grep -q "line 4: creates a duplicate key (error 40); nothing loaded (2 rows before it rolled back)" \
  <(printf '%s\n' "$bad_dup" | (cp good.BRK f.BRK; "$BRK" load 'f\!T' --transaction 2>&1)) ||
  fail "duplicate message"

# Without --transaction the rows before a bad one stay.
cp good.BRK f.BRK
printf '%s\n' "$bad_dup" | "$BRK" load 'f\!T' 2> err > /dev/null
[ "$("$BRK" dump 'f\!T' --csv | wc -l)" -eq 8 ] || fail "rows before the bad one: $(cat err)"

# Usage.
"$BRK" load 'f\!T' --transaction --batch 5 < good.csv 2> err; rc=$?
[ $rc -eq 2 ] || fail "--batch with --transaction gave exit $rc"
"$BRK" load 'missing\!T' --transaction < good.csv 2> err; rc=$?
[ $rc -eq 2 ] || fail "a missing file gave exit $rc: $(cat err)"
echo "brk_load_transaction: ok"

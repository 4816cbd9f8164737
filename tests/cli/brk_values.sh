#!/bin/bash
# brk create / load / dump with every field type: values at their limits
# come back exactly, values that do not fit are refused with their line,
# memos with line breaks and quotes and BLOBs survive a CSV round trip, and
# the printed definition creates the same table again.
set -u
BUILD=${1:?build folder}
BRK="$BUILD/brk"
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
cd "$T"

cat > all.def <<'DEF'
field V:Byte BYTE
field V:Short SHORT
field V:UShort USHORT
field V:Long LONG
field V:ULong ULONG
field V:SReal SREAL
field V:Real REAL
field V:Dec DECIMAL(4,2)
field V:Str STRING(6) @s6
field V:CStr CSTRING(6)
field V:PStr PSTRING(6)
field V:Arr SHORT[3]
group V:Pair
  field V:Left BYTE
  field V:Right BYTE
end
field V:Stamp LONG at 4     # an overlay: not a column
memo V:Note 40
memo V:Bytes blob binary
key V:KeyLong V:Long unique
key V:KeyDesc -V:Dec,V:Str dup nocase
DEF
"$BRK" create 'v\!All' all.def > /dev/null || fail "create"

cat > rows.csv <<'CSV'
V:Byte,V:Short,V:UShort,V:Long,V:ULong,V:SReal,V:Real,V:Dec,V:Str,V:CStr,V:PStr,V:Arr,V:Left,V:Right,V:Note,V:Bytes
255,-32768,65535,-2147483648,4294967295,0.1,-2.5e-300,-999.99,abcdef,abcde,abcde,1;-2;3,7,8,"two
lines, ""quoted""",00ff10
0,32767,0,2147483647,0,-0,1.7976931348623157e308,0.05,,,,0;0;0,0,0,,
CSV
"$BRK" load 'v\!All' < rows.csv > out || fail "load: $(cat out)"
"$BRK" dump 'v\!All' --csv > dump.csv || fail "dump"
cat > expected.csv <<'CSV'
V:Byte,V:Short,V:UShort,V:Long,V:ULong,V:SReal,V:Real,V:Dec,V:Str,V:CStr,V:PStr,V:Arr,V:Left,V:Right,V:Note,V:Bytes
255,-32768,65535,-2147483648,4294967295,0.1,-2.5e-300,-999.99,abcdef,abcde,abcde,1;-2;3,7,8,"two
lines, ""quoted""",00ff10
0,32767,0,2147483647,0,-0,1.7976931348623157e+308,0.05,,,,0;0;0,0,0,,
CSV
diff expected.csv dump.csv > d || fail "dump differs: $(cat d)"
# Descending DECIMAL first: 0.05 sorts before -999.99.
"$BRK" dump 'v\!All' --key V:KeyDesc --csv | sed -n 2p | grep -q "^0,32767," ||
  fail "descending key order"

# Values that do not fit, each on line 2 of its own load.
bad() {  # bad COLUMN VALUE MESSAGE
  printf 'V:Long,%s\n77,%s\n' "$1" "$2" | "$BRK" load 'v\!All' 2> err
  [ $? -eq 1 ] || fail "$1=$2 accepted"
  grep -qF "line 2: $1: $3" err || fail "$1=$2: $(cat err)"
}
bad V:Byte 256 "out of range: 256"
bad V:Short 40000 "out of range"
bad V:ULong -1 "out of range"
bad V:Dec 100000 "too many digits"
bad V:Dec 1.234 "more than 2 decimal places"
bad V:Str abcdefg "longer than 6 characters"
bad V:CStr abcdef "longer than 5 characters"
bad V:Real 1e999 "not a number"
bad V:Long 12x "not a whole number"
bad V:Bytes 0g "a BLOB is written as hexadecimal digits"
printf 'V:Long,V:Note\n78,%041d\n' 0 | "$BRK" load 'v\!All' 2> err; [ $? -eq 1 ] || fail "long memo"
grep -q "line 2: V:Note: longer than 40 characters" err || fail "long memo: $(cat err)"
printf 'V:Long\n"open\n' | "$BRK" load 'v\!All' 2> err; [ $? -eq 1 ] || fail "open quote"
"$BRK" tables v.BRK | grep -q "^ALL  number 1  records 2 " || fail "a refused row was stored"

# The printed definition makes the same table.
"$BRK" tables v.BRK --definition | sed -n '/^record/,$p' > again.def
"$BRK" create 'v\!Again' again.def > /dev/null || fail "create from printed definition"
"$BRK" load 'v\!Again' < dump.csv > /dev/null || fail "load into the copy"
"$BRK" dump 'v\!Again' --csv | diff - expected.csv > d || fail "copy differs: $(cat d)"
"$BRK" check v.BRK > out || fail "check: $(cat out)"
echo "brk_values: ok"

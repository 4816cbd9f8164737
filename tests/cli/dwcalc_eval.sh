#!/usr/bin/env bash
# dwcalc eval: the expression examples, answered as a user sees them.
# Usage: dwcalc_eval.sh BUILD_DIR
set -u
calc="$1/dwcalc"
failures=0

check() {  # check EXPECTED [dwcalc arguments...]
  local expected="$1"
  shift
  local actual
  actual="$("$calc" "$@" 2>&1)"
  if [[ "$actual" != "$expected" ]]; then
    echo "FAIL: dwcalc $* -> '$actual', expected '$expected'"
    failures=$((failures + 1))
  fi
}

check_error() {  # check_error [dwcalc arguments...]: prints "error: ..." and fails
  local actual
  actual="$("$calc" "$@" 2>&1)"
  local status=$?
  if [[ "$actual" != error:* || $status -eq 0 ]]; then
    echo "FAIL: dwcalc $* -> '$actual' (status $status), expected an error"
    failures=$((failures + 1))
  fi
}

check 16 eval 10H
check 15 eval 17O
check 5 eval 101B
check_error eval 19B
check 1 eval "1 = 1.0000000000000002"
check 0 eval "1 = 1.0001"
check 4 eval "-2 ^ 2"
check_error eval TODAY
check 1 eval "TODAY() = TODAY()"
check_error eval 1E5
check 100000 eval 1.0E5
check 3.5 eval "7 / 2"
check 0.1 eval 0.1
check "it's" eval "'it''s'"
check 64 eval "2 ^ 3 ^ 2"
check 1 eval "1 OR 0 AND 0"

# => and ~< both mean greater than or equal.
for pair in "=>" "~<"; do
  check 1 --bind a=3 --bind b=2 eval "a $pair b"
  check 1 --bind a=2 --bind b=2 eval "a $pair b"
  check 0 --bind a=1 --bind b=2 eval "a $pair b"
done

# The filters of the schedule browse.
check 1 --bind SCH:Date=80000 --bind SelectedDay=80000 eval "(SCH:Date=SelectedDay)"
check 0 --bind SCH:Date=80000 --bind SelectedDay=80001 eval "(SCH:Date=SelectedDay)"
check 1 --bind "SCH:Category='Work  '" --bind "BRW1::Sort2:Reset:CAT:Category='work'" \
  eval "UPPER(SCH:Category) = UPPER(BRW1::Sort2:Reset:CAT:Category)"

# A second binding of a name replaces the first; reals and strings bind too.
check 2 --bind X=1 --bind X=2 eval X
check "2.5x" --bind R=2.5 --bind "S=\"x\"" eval "R & S"
check 4000000000 --bind U=4000000000 eval U

# An unknown name is no BIND on it.
out="$("$calc" eval "Missing + 1" 2>&1)"
[[ "$out" == "error: no BIND on variable Missing" ]] || {
  echo "FAIL: unknown name -> '$out'"
  failures=$((failures + 1))
}

# Commands from standard input: one line of output per line of input.
out="$(printf 'eval 1 + 1\neval (\neval UPPER(%s)\n' "'ab'" | "$calc")"
expected=$'2\nerror: unexpected end of the text\nAB'
[[ "$out" == "$expected" ]] || {
  echo "FAIL: standard input -> '$out'"
  failures=$((failures + 1))
}

# Deep nesting fails cleanly instead of crashing.
deep="$(printf '%*s' 100000 '' | tr ' ' '(')1"
check_error eval "$deep"

if [[ $failures -ne 0 ]]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "dwcalc eval: all checks passed"

#!/usr/bin/env bash
# dwcalc answers the examples of dates, times, pictures and messages, one
# line per command, both from its command line and from standard input.
# Usage: dwcalc_examples.sh BUILD_DIR
set -u
build=${1:?build directory}
dwcalc="$build/dwcalc"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export DORNWATCH_CONFIG="$work/config"   # no WIN.INI: the built-in locale
mkdir -p "$DORNWATCH_CONFIG"
failures=0

# expect COMMAND EXPECTED: one command given on the command line.
expect() {
  local command=$1 expected=$2 actual
  actual=$("$dwcalc" $command; echo x)   # keep trailing blanks
  actual=${actual%$'\n'x}
  if [[ "$actual" != "$expected" ]]; then
    echo "FAIL: dwcalc $command"
    echo "  expected: [$expected]"
    echo "  actual:   [$actual]"
    failures=$((failures + 1))
  fi
}

# The day-number range and the calendar.
expect "day 4" "1"
expect "month 4" "1"
expect "year 4" "1801"
expect "year 36528" "1901"
expect "date 1 1 1901" "36528"
expect "date 12 31 2099" "109211"
expect "year 109211" "2099"
expect "day 3" "0"
expect "year 109212" "0"
# 29 February 1900 does not exist: DATE carries it into March.
expect "date 2 29 1900" "$("$dwcalc" date 3 1 1900)"
expect "date 2 29 2000" "72746"
expect "day 72746" "29"
expect "month 72746" "2"
expect "date 1 0 1996" "-1"
# DATE carries days and months over.
expect "date 13 1 99" "$("$dwcalc" date 1 1 2000)"
expect "date 2 30 1999" "$("$dwcalc" date 3 2 1999)"
expect "date 14 30 1999" "$("$dwcalc" date 3 1 2000)"
expect "date -1 5 2000" "-1"
expect "date 5 -1 2000" "-1"
# AGE.
base=$("$dwcalc" date 6 15 2000)
expect "age $((base - 40)) $base" "40 DAYS"
expect "age $("$dwcalc" date 6 15 1998) $base" "24 MOS"
expect "age $("$dwcalc" date 5 15 1998) $base" "2 YRS"

# Pictures.
d=$("$dwcalc" date 1 5 1996)
expect "format @d1 $d" " 1/05/96"
expect "format @d01 $d" "01/05/96"
expect "format @d3 $d" "JAN  5, 1996"
expect "format @d4 $d" "January  5, 1996"
expect "format @d8- $d" " 5-JAN-1996"
expect "format @d1 0" "  /  /  "
expect "format @d1B 0" "        "
expect "format @t1 1" " 0:00"
expect "format @t4 8640000" "23:59:59"
expect "format @t4 8640001" "  :  :  "
expect "format @t3 4860001" " 1:30PM"
expect "deformat @t3 12:00AM" "1"
expect "deformat @t1 00:00" "0"
expect "deformat @d3 JAN  5, 1996" "$d"
expect "format @n3 1234" "###"
expect "format @n10.2 1234.565" "  1,234.57"
expect "format @n-10.2 -1234.5" "- 1,234.50"
expect "format @n(10.2) -1234.5" "(1,234.50)"
expect "deformat @n(10.2) (1,234.50)" "-1234.5"
expect "format @e12.4 12345.678" " 1.2346E+004"
expect "format @s5 hello world" "hello"
expect "format @p###-##-####p 123456789" "123-45-6789"
expect "deformat @p###-##-####p 123-45-6789" "123456789"
expect "format @k(###) ###-####k 5551234567" "(555) 123-4567"

# Messages.
expect "message 35" "Record Not Found"
expect "message 302" "File Not Found"
expect "message 312" "Invalid Access"
expect "message 9" "Unknown Error Posted : 9"
expect "post 35" "35 Record Not Found"
expect "oserror 2" "302 File Not Found"
expect "oserror 12" "312 Invalid Access"

# A runtime error shows its box text (standard error without a window) and
# ends with exit code 2; HALT ends with its own code.
"$dwcalc" runtime-error 502 WSLDIAL >/dev/null 2>"$work/err"
status=$?
if [[ $status -ne 2 ]] || ! grep -qx "Runtime error: Internal error 02 : WSLDIAL" "$work/err"; then
  echo "FAIL: runtime-error (status $status): $(cat "$work/err")"
  failures=$((failures + 1))
fi
"$dwcalc" halt 3 Good bye >/dev/null 2>"$work/err"
status=$?
if [[ $status -ne 3 ]] || ! grep -qx "Halt: Good bye" "$work/err"; then
  echo "FAIL: halt (status $status)"
  failures=$((failures + 1))
fi

# Errors go on to the next line; one output line per command.
out=$(printf 'day 4\nbogus\nformat @x 1\nday\nyear 36528\n' | "$dwcalc")
status=$?
want=$'1\nerror: unknown command \'bogus\'\nerror: invalid picture \'@x\'\nerror: usage: day DATE\n1901'
if [[ "$out" != "$want" || $status -ne 1 ]]; then
  echo "FAIL: standard input run (status $status)"
  echo "$out"
  failures=$((failures + 1))
fi

# The environment file changes month names, markers and message texts.
printf 'VELMONTH=Janvier,F\xe9vrier\nVELAMPM=ma,pa\nVELMSG35=Pas de fiche\nVELMSG36=%0100d\n' 0 > "$work/test.env"
out=$("$dwcalc" --env "$work/test.env" format @d4 "$d")
[[ "$out" == $'Janvier  5, 1996' ]] || { echo "FAIL: --env month name: [$out]"; failures=$((failures + 1)); }
out=$("$dwcalc" --env "$work/test.env" format @t3 4860001)
[[ "$out" == " 1:30pa" ]] || { echo "FAIL: --env markers: [$out]"; failures=$((failures + 1)); }
out=$("$dwcalc" --env "$work/test.env" message 35)
[[ "$out" == "Pas de fiche" ]] || { echo "FAIL: --env message: [$out]"; failures=$((failures + 1)); }
out=$("$dwcalc" --env "$work/test.env" message 36)
[[ ${#out} -eq 79 ]] || { echo "FAIL: long message not cut to 79: ${#out}"; failures=$((failures + 1)); }
out=$("$dwcalc" --env "$work/missing.env" message 35 2>"$work/err")
grep -q "File Not Found" "$work/err" && [[ "$out" == "Record Not Found" ]] ||
  { echo "FAIL: missing --env file"; failures=$((failures + 1)); }

# The [intl] section of WIN.INI shapes the locale pictures.
printf '[intl]\niTime=1\nsShortDate=dd.MM.yyyy\nsTime=.\n' > "$DORNWATCH_CONFIG/WIN.INI"
expect "format @d17 $d" "05.01.1996"
expect "format @t7 4860001" "13.30"

if ((failures > 0)); then
  echo "$failures failure(s)"
  exit 1
fi
echo "all dwcalc examples pass"

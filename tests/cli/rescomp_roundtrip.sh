#!/bin/bash
# rescomp as a user runs it: compile every window source of the program,
# decode the blob back to source, compile that again and compare; a broken
# source gives "file:line: expected ..." and a non-zero exit; a broken blob
# gives an error, never a crash.
set -u
build=${1:?usage: rescomp_roundtrip.sh BUILD_DIR}
src=${DW_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
rescomp=$build/rescomp
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

[ -x "$rescomp" ] || fail "no rescomp in $build"
count=0
for f in "$src"/resources/windows/*.dws; do
  name=$(basename "$f" .dws)
  "$rescomp" "$f" -o "$tmp/$name.dab" || fail "$name.dws does not compile"
  "$rescomp" --decode "$tmp/$name.dab" -o "$tmp/$name.1.dws" || fail "$name blob does not decode"
  "$rescomp" "$tmp/$name.1.dws" -o "$tmp/$name.2.dab" || fail "decoded $name does not compile"
  cmp -s "$tmp/$name.dab" "$tmp/$name.2.dab" || fail "$name: blob changed after decode and compile"
  "$rescomp" --decode "$tmp/$name.2.dab" > "$tmp/$name.2.dws" || fail "$name: decode to stdout"
  diff -u "$tmp/$name.1.dws" "$tmp/$name.2.dws" || fail "$name: decoded source is not stable"
  "$rescomp" --check "$f" || fail "$name: --check"
  count=$((count + 1))
done
[ "$count" -gt 0 ] || fail "no window sources found"

# A source error names the file and line and what was expected.
printf 'module "A$a"\nwindow W {\n  timer soon\n}\n' > "$tmp/bad.dws"
out=$("$rescomp" "$tmp/bad.dws" -o "$tmp/bad.dab" 2>&1) && fail "a bad source compiled"
[[ "$out" == "$tmp/bad.dws:3: expected a number after 'timer'"* ]] || fail "unexpected message: $out"
[ -e "$tmp/bad.dab" ] && fail "a failed compile left a blob behind"

# A truncated blob is refused with a message.
head -c 40 "$tmp/dorn008.dab" > "$tmp/short.dab"
out=$("$rescomp" --decode "$tmp/short.dab" 2>&1) && fail "a truncated blob decoded"
[ -n "$out" ] || fail "no message for a truncated blob"

# A module key that would not be found under the resource the build names.
printf 'module "DORN.vls$dorn009"\n' > "$tmp/dorn008.dws"
"$rescomp" "$tmp/dorn008.dws" -o "$tmp/m.dab" --resource DORN009_RSC || fail "matching key refused"
out=$("$rescomp" "$tmp/dorn008.dws" -o "$tmp/m.dab" --resource DORN008_RSC 2>&1) &&
  fail "a key naming another resource compiled"
[[ "$out" == *"would not be found as the resource DORN008_RSC"* ]] || fail "unexpected message: $out"

# A directory given as input is refused with a message, not a crash.
out=$("$rescomp" "$tmp" -o "$tmp/d.dab" 2>&1); rc=$?
[ $rc -eq 1 ] || fail "a directory as source gave exit $rc: $out"
[[ "$out" == "$tmp: is a directory"* ]] || fail "unexpected message: $out"
out=$("$rescomp" --decode "$tmp" 2>&1); rc=$?
[ $rc -eq 1 ] || fail "a directory as blob gave exit $rc: $out"

# Pictures are checked as the runtime compiles them (entries also take the
# date pictures 19 and 20).
printf 'module "A$a"\nwindow W {\n  entry { picture "@d19" }\n  entry { picture "@q" }\n}\n' > "$tmp/pic.dws"
out=$("$rescomp" "$tmp/pic.dws" -o "$tmp/pic.dab" 2>&1) && fail "an invalid picture compiled"
[[ "$out" == "$tmp/pic.dws:4: invalid picture \"@q\""* ]] || fail "unexpected message: $out"

# Named controls give a header of field-number constants.
printf 'module "X.vls$Win01"\nwindow W {\n  prompt "a"\n  entry { name Value }\n  menubar { item "i" { name Quit } }\n}\n' > "$tmp/named.dws"
"$rescomp" "$tmp/named.dws" -o "$tmp/named.dab" --fields "$tmp/named.h" || fail "named source"
grep -q '^namespace dw::app::win01 {$' "$tmp/named.h" || fail "header namespace: $(cat "$tmp/named.h")"
grep -q '^inline constexpr int kValue = 2;$' "$tmp/named.h" || fail "header kValue"
grep -q '^inline constexpr int kQuit = -1;$' "$tmp/named.h" || fail "header kQuit"
printf '#include "%s"\nstatic_assert(dw::app::win01::kValue == 2);\n' "$tmp/named.h" > "$tmp/use.cpp"
if command -v g++ >/dev/null; then
  g++ -std=c++20 -fsyntax-only "$tmp/use.cpp" || fail "the header does not compile"
fi

# Usage errors.
"$rescomp" >/dev/null 2>&1; [ $? -eq 2 ] || fail "no arguments should exit 2"
"$rescomp" "$tmp/missing.dws" -o "$tmp/x.dab" 2>/dev/null && fail "a missing source compiled"
echo "rescomp round trip: $count source(s) OK"

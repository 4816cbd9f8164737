#!/usr/bin/env bash
# dornctl report: each report of a known schedule as a PDF read back by
# pdftotext (poppler) holds every description in the report's key order,
# the category report's group heads and "Page" n on every page; --svg
# writes one SVG per page; bad usage is exit 1, a missing file exit 2.
# Usage: dornctl_report.sh BUILD_DIR
set -u
tool="$1/dornctl"
failures=0
work="$(mktemp -d)"
export HOME="$work" DORNWATCH_CONFIG="$work" DORNWATCH_DATA="$work/data" QT_QPA_PLATFORM=offscreen
unset XDG_DATA_HOME
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# 30 tasks whose dates run against their identifiers, in two categories.
for i in $(seq 1 30); do
  day=$(printf '%02d' $((31 - i)))
  cat=Work
  ((i % 2)) && cat=Home
  "$tool" add --description "Task $((100 + i))" --category "$cat" --schedule once \
    --date "2030-01-$day" --time 09:00 --type message --message "Note $i" > /dev/null \
    || fail "add $i"
done

# report NAME: the PDF's text, one line a text.
pdf_text() {
  "$tool" report "$1" --pdf "$work/$1.pdf" 2> "$work/err" || { fail "report $1: $(cat "$work/err")"; return; }
  pdftotext "$work/$1.pdf" - || fail "pdftotext $1"
}

text="$(pdf_text schedule-by-date)"
order="$(grep -o 'Task 1[0-9][0-9]' <<<"$text" | tr '\n' ' ')"
want="$(for i in $(seq 30 -1 1); do printf 'Task %d ' $((100 + i)); done)"
[[ "$order" == "$want" ]] || fail "by date: $order"
pages="$(pdfinfo "$work/schedule-by-date.pdf" | awk '/^Pages:/ {print $2}')"
[[ "$pages" -ge 2 ]] || fail "by date: $pages pages"
for p in $(seq 1 "$pages"); do
  pdftotext -f "$p" -l "$p" "$work/schedule-by-date.pdf" - | grep -q "Page $p" || fail "no Page $p"
done
grep -q 'Note 30' <<<"$text" || fail "by date: no message"

text="$(pdf_text schedule-by-category)"
heads="$(grep -x -E 'Home|Work' <<<"$text" | tr '\n' ' ')"
[[ "$heads" == "Home Work " ]] || fail "by category: group heads '$heads'"
order="$(grep -o -E '^(Home|Work)$|Task 1[0-9][0-9]' <<<"$text" | tr '\n' ' ')"
[[ "$order" == Home\ Task\ 1[0-9][13579]* ]] || fail "by category: $order"
[[ "$order" == *"Work Task 1"* ]] || fail "by category: Work's tasks: $order"

text="$(pdf_text brief)"
order="$(grep -o 'Task 1[0-9][0-9]' <<<"$text" | tr '\n' ' ')"
[[ "$order" == "$want" ]] || fail "brief: $order"
grep -q 'Schedule in Brief' <<<"$text" || fail "brief: no title"

# The sheet takes the layout's orientation (the full schedule is landscape,
# the brief one portrait) and every word lies on it, the page number in
# its lowest fifth.
for report in schedule-by-date:landscape brief:portrait; do
  name=${report%%:*}
  size="$(pdfinfo "$work/$name.pdf" | awk '/^Page size:/ {print $3, $5}')"
  read -r w h <<<"$size"
  if [[ ${report##*:} == landscape ]]; then
    ((${w%.*} > ${h%.*})) || fail "$name: page $size is not landscape"
  else
    ((${w%.*} < ${h%.*})) || fail "$name: page $size is not portrait"
  fi
  outside="$(pdftotext -bbox "$work/$name.pdf" - | awk '
    /<page / { match($0, /width="[0-9.]+"/); w = substr($0, RSTART + 7, RLENGTH - 8) + 0
               match($0, /height="[0-9.]+"/); h = substr($0, RSTART + 8, RLENGTH - 9) + 0 }
    /<word / { n = split($0, f, "\""); x = f[6] + 0; y = f[8] + 0
               word = $0; sub(/.*">/, "", word); sub(/<.*/, "", word)
               if (f[2] < 0 || f[4] < 0 || x > w || y > h) print word
               if (word == "Page" && f[4] < 0.8 * h) print "Page at " f[4] " of " h }')"
  [[ -z "$outside" ]] || fail "$name: off the page: $(head -3 <<<"$outside")"
done

text="$(pdf_text categories)"
[[ "$(grep -x -E 'Home|Work' <<<"$text" | tr '\n' ' ')" == "Home Work " ]] || fail "categories: $text"

# One SVG per page, with the same texts.
"$tool" report schedule-by-date --svg "$work/svg" || fail "svg status $?"
count="$(ls "$work/svg"/page-*.svg 2>/dev/null | wc -l)"
[[ "$count" -eq "$pages" ]] || fail "svg: $count files for $pages pages"
grep -q '>Task 130<' "$work/svg/page-001.svg" || fail "svg: first task missing"
grep -q '>Page 1<' "$work/svg/page-001.svg" || fail "svg: page number missing"

# No to-do items: no page and no file, said on standard error.
"$tool" report todo --pdf "$work/todo.pdf" 2> "$work/err" || fail "empty todo: status $?"
[[ ! -e "$work/todo.pdf" ]] || fail "empty todo: a file was written"
grep -q "no records" "$work/err" || fail "empty todo: $(cat "$work/err")"

# Bad usage and a missing file.
for args in "report" "report nothing --pdf x.pdf" "report brief" "report brief --pdf a --svg b"; do
  # shellcheck disable=SC2086
  "$tool" $args > /dev/null 2>&1
  [[ $? -eq 1 ]] || fail "dornctl $args: not exit 1"
done
DORNWATCH_DATA="$work/none" "$tool" report brief --pdf "$work/x.pdf" > /dev/null 2>&1
[[ $? -eq 2 ]] || fail "missing data: not exit 2"

[[ $failures -eq 0 ]] && echo "dornctl report: all passed"
exit $((failures > 0))

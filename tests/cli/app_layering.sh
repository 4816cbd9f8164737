#!/bin/bash
# The folders of app/ include only the folders below them (app/README.md):
#   data < routines < scheduler < forms/common < exchange, forms/<family>
#        < forms/search < frame < main.cpp
# Families of forms and exchange stand side by side and never include each
# other; the search by example stands above them, since it shows the task
# form's own fields (forms/schedule); runtime/ never includes app/.  Checks every #include "app/..." of
# the tree and names each one that runs upward or sideways.
# With a second argument, checks that tree instead (the test of this script).
set -u
SRC=${2:-${DW_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}}
cd "$SRC" || exit 1

# The folder of app/ that a path stands in: data, forms/schedule, main, ...
folder() {
  local p=${1#app/}
  case "$p" in
    forms/*/*) p=${p#forms/}; echo "forms/${p%%/*}" ;;
    */*) echo "${p%%/*}" ;;
    *) echo main ;;
  esac
}
rank() {
  case "$1" in
    data) echo 0 ;; routines) echo 1 ;; scheduler) echo 2 ;; forms/common) echo 3 ;;
    forms/search) echo 5 ;; exchange | forms/*) echo 4 ;; frame) echo 6 ;; main) echo 7 ;;
    *) echo -1 ;;
  esac
}

bad=0
while IFS=: read -r file line text; do
  target=$(sed -E 's/.*#include "(app\/[^"]*)".*/\1/' <<<"$text")
  from=$(folder "$file"); to=$(folder "$target")
  rf=$(rank "$from"); rt=$(rank "$to")
  if [ "$rf" -lt 0 ] || [ "$rt" -lt 0 ]; then
    echo "$file:$line: $from or $to is not a folder of app/README.md"; bad=1
  elif [ "$from" != "$to" ] && [ "$rt" -ge "$rf" ]; then
    echo "$file:$line: $from includes $target, which is not below it"; bad=1
  fi
done < <(grep -rn --include='*.h' --include='*.cpp' '#include "app/' app)

if hits=$(grep -rln --include='*.h' --include='*.cpp' '#include "app/' runtime 2>/dev/null); then
  echo "runtime/ includes the application: $hits"; bad=1
fi

# The check itself: an upward include in a scratch tree must be found.
if [ $# -lt 2 ]; then
  T=$(mktemp -d); trap 'rm -rf "$T"' EXIT
  mkdir -p "$T/app/data" "$T/app/forms/todo" "$T/app/forms/schedule" "$T/runtime"
  echo '#include "app/scheduler/x.h"' > "$T/app/data/a.h"
  echo '#include "app/forms/schedule/y.h"' > "$T/app/forms/todo/b.cpp"
  echo '#include "app/data/a.h"' > "$T/app/forms/schedule/c.cpp"
  out=$(bash "$0" "" "$T")
  [ "$(grep -c 'not below it' <<<"$out")" = 2 ] || { echo "the check missed an upward include: $out"; bad=1; }
  grep -q 'forms/schedule/c.cpp' <<<"$out" && { echo "the check refused a downward include"; bad=1; }
fi

[ $bad = 0 ] && echo "app/ layering holds"
exit $bad

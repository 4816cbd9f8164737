#!/bin/bash
# The real program in a real X session, read through the accessibility
# tree: Reports > Schedule > Date opens the preview titled "Page 1 of t";
# Next Page, Facing Pages, Zoom In and Zoom Out change the title and the
# mode label; Print, with no printer installed, asks for a PDF file, and
# the file holds the tasks.  Every wait is a bounded poll.  Skips (exit 0)
# only when no X server can be started.
set -u
BUILD=$(cd "${1:?build folder}" && pwd) || exit 1
source "$(dirname "$0")/lib/a11y_session.sh"
DORNCTL="$BUILD/dornctl"
[ -x "$DORNCTL" ] || { echo "no $DORNCTL"; exit 1; }
command -v pdftotext >/dev/null || { echo "missing pdftotext (scripts/setup installs it)"; exit 1; }

mkdir -p "$DORNWATCH_DATA" "$DORNWATCH_CONFIG"
for i in $(seq 1 40); do
  "$DORNCTL" add --description "Report task $((100 + i))" --schedule once --type message \
    --message "Note $i" --date "2031-02-$(printf '%02d' $(((i % 28) + 1)))" --time 09:00 >/dev/null \
    || { echo "dornctl add failed"; exit 1; }
done
# No printer: the report asks for a PDF file.
export CUPS_SERVER=/nonexistent/cups.sock PDF_OUT="$WORK/schedule.pdf"

cat >"$WORK/driver.py" <<'PY'
import os, re, sys
import pyatspi
from a11y_driver import *

def preview():
    return top("Page")

def button(window, caption):
    return find(window, lambda n: n.getRole() == pyatspi.ROLE_PUSH_BUTTON
                and n.name.replace("&", "") == caption and showing(n))

def click(caption):
    b = wait(caption, lambda: button(preview(), caption))
    b.queryAction().doAction(0)

def label(window, text):
    return find(window, lambda n: (n.name == text or text_of(n) == text) and showing(n))

frame = wait("the frame in the accessibility tree", lambda: top("Dornwatch '96"))
focus("^Dornwatch '96")
keys("alt+r", "s", "d")
win = wait("the print preview", preview, seconds=60)
m = re.match(r"Page 1 of (\d+)$", win.name)
if not m or int(m.group(1)) < 2:
    sys.exit("preview title: %r" % win.name)
pages = int(m.group(1))
click("Next Page!")
wait("page 2", lambda: preview() is not None and preview().name == "Page 2 of %d" % pages)
click("Facing Pages!")
wait("facing pages", lambda: preview() is not None
     and preview().name == "Pages 3 and 4 of %d" % pages and label(preview(), "Facing Pages"))
click("Zoom In!")
wait("zoomed", lambda: label(preview(), "ZOOM") and button(preview(), "Zoom Out!"))
click("Zoom Out!")
wait("back to facing pages", lambda: label(preview(), "Facing Pages")
     and button(preview(), "Single Pages!"))
click("Print!")
dialog = wait("the file dialog", lambda: top("Print To File..."))
focus("^Print To File")
keys("ctrl+a")
typed(os.environ["PDF_OUT"])
keys("Return")
wait("the PDF file", lambda: os.path.exists(os.environ["PDF_OUT"])
     and os.path.getsize(os.environ["PDF_OUT"]) > 0 and preview() is None)
focus("^Dornwatch '96")
keys("alt+f", "x")
print("exit chosen")
PY

run_a11y_driver
text=$(pdftotext "$PDF_OUT" -) || { echo "pdftotext failed"; exit 1; }
for i in 101 120 140; do
  grep -q "Report task $i" <<<"$text" || { echo "the PDF lacks task $i"; exit 1; }
done
echo "dornwatch reports: ok"

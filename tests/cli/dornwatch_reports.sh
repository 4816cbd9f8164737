#!/bin/bash
# The real program in a real X session, read through the accessibility
# tree: Reports > Schedule > Date opens the preview titled "Page 1 of t"
# with its pages shown landscape; Next Page, Facing Pages, Zoom In and Zoom
# Out change the title and the mode label; Print, with no printer
# installed, asks for a PDF file, named in that dialog with the keyboard,
# and the file holds the tasks on t landscape pages.  The report opened
# again and the program ended from its menu while the preview is up: the
# program ends cleanly and no page file is left.  Every wait is a bounded
# poll.  Skips (exit 0) only when no X server can be started.
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
# The page files go to a folder of the test's own.
export PAGE_DIR="$WORK/pages"
mkdir -p "$PAGE_DIR"
echo 'export TMPDIR="$PAGE_DIR"' >"$WORK/before.sh"

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

def page_files():
    return [f for f in os.listdir(os.environ["PAGE_DIR"]) if f.startswith("VEL")]

def shown_page(window):
    # The extents of the first page image shown.
    n = find(window, lambda n: n.getRole() == pyatspi.ROLE_IMAGE and showing(n))
    return n.queryComponent().getExtents(pyatspi.DESKTOP_COORDS) if n else None

frame = wait("the frame in the accessibility tree", lambda: top("Dornwatch '96"))
focus("^Dornwatch '96")
keys("alt+r", "s", "d")
win = wait("the print preview", preview, seconds=60)
m = re.match(r"Page 1 of (\d+)$", win.name)
if not m or int(m.group(1)) < 2:
    sys.exit("preview title: %r" % win.name)
pages = int(m.group(1))
if len(page_files()) != pages:
    sys.exit("page files: %r for %d pages" % (page_files(), pages))
page = wait("the page image", lambda: shown_page(preview()))
if page.width <= page.height:
    sys.exit("a landscape page shown %dx%d" % (page.width, page.height))
with open(os.environ["PAGE_COUNT"], "w") as f:
    f.write(str(pages))
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
wait("the page files deleted", lambda: not page_files())
# Again, and the program ended while the preview is open.
focus("^Dornwatch '96")
keys("alt+r", "s", "d")
wait("the print preview again", preview, seconds=60)
wait("the page files again", lambda: len(page_files()) == pages)
focus("^Dornwatch '96")
keys("alt+f", "x")
print("exit chosen")
PY

export PAGE_COUNT="$WORK/pages.txt"
run_a11y_driver
left=$(ls "$PAGE_DIR")
[ -z "$left" ] || { echo "page files left after the exit: $left"; exit 1; }
text=$(pdftotext "$PDF_OUT" -) || { echo "pdftotext failed"; exit 1; }
for i in 101 120 140; do
  grep -q "Report task $i" <<<"$text" || { echo "the PDF lacks task $i"; exit 1; }
done
# The printed sheets: as many as the preview's pages, landscape, every word
# on the sheet.
read -r w h < <(pdfinfo "$PDF_OUT" | awk '/^Page size:/ {print int($3), int($5)}')
printed=$(pdfinfo "$PDF_OUT" | awk '/^Pages:/ {print $2}')
[ "$printed" = "$(cat "$PAGE_COUNT")" ] || { echo "$printed sheets for $(cat "$PAGE_COUNT") pages"; exit 1; }
[ "$w" -gt "$h" ] || { echo "the sheets are ${w}x${h}, not landscape"; exit 1; }
off=$(pdftotext -bbox "$PDF_OUT" - | awk -v w="$w" -v h="$h" '
  /<word / { n = split($0, f, "\""); if (f[2] < 0 || f[4] < 0 || f[6] > w + 1 || f[8] > h + 1) print }')
[ -z "$off" ] || { echo "words off the sheet: $(head -3 <<<"$off")"; exit 1; }
echo "dornwatch reports: ok"

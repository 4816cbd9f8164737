#!/bin/bash
# The real program in a real X session, read through the accessibility tree
# and driven with the keyboard: Help > About opens the About window (its
# title and button are read, Escape presses Close), and File > Exit ends
# the program with exit code 0.  Every wait is
# a bounded poll for a condition.
# Skips (exit 0) only when no X server can be started.
set -u
BUILD=${1:?build folder}
source "$(dirname "$0")/lib/a11y_session.sh"

cat >"$WORK/driver.py" <<'PY'
import subprocess, sys
import pyatspi
from a11y_driver import *

frame = wait("the frame in the accessibility tree", lambda: top("Dornwatch '96"))

# Help > About: the About window with the program's title; Escape closes it.
focus("^Dornwatch '96$")
keys("alt+h", "a")
about = wait("the About window", lambda: top("About"))
title = wait("the About window's title",
             lambda: find(about, lambda n: "Dornwatch '96" in (n.name + text_of(n))))
close = find(about, lambda n: n.getRole() == pyatspi.ROLE_PUSH_BUTTON)
if close is None or close.name.replace("&", "") != "Close":
    sys.exit("the About window has no Close button: %s" % (close.name if close else None))
print("about window:", about.name)
focus("^About$")
keys("Escape")
wait("the About window to close", lambda: top("About") is None)

# File > Exit ends the program.
focus("^Dornwatch '96$")
keys("alt+f", "x")
print("exit chosen")
PY

run_a11y_driver
echo "dornwatch about: ok"

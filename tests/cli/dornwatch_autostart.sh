#!/bin/bash
# Start at login, as a user sets it: in a real X session File > Setup, the
# keyboard to "Start Dornwatch when I log in", Space and OK write the XDG
# autostart entry in a scratch $XDG_CONFIG_HOME; the entry's Exec line,
# run as the desktop runs it at login, starts the program on the same data,
# which opens its frame and ends with 0.
set -u
BUILD=${1:?build folder}
source "$(dirname "$0")/lib/a11y_session.sh"
export XDG_CONFIG_HOME="$WORK/xdg"
ENTRY="$XDG_CONFIG_HOME/autostart/dornwatch.desktop"

cat >"$WORK/driver.py" <<'PY'
import pyatspi
from a11y_driver import *

frame = wait("the frame", lambda: top("Dornwatch '96"))
focus("^Dornwatch '96")
keys("alt+f", "s")
setup = wait("the Setup window", lambda: top("Dornwatch Setup"))
box = wait("the start at login box", lambda: find(setup, lambda n:
           n.getRole() == pyatspi.ROLE_CHECK_BOX and n.name == "Start Dornwatch when I log in"))
focus("^Dornwatch Setup$")
press_until("shift+Tab", lambda: focused(setup) is not None and
            focused(setup).name == "Start Dornwatch when I log in", "the focus on the box", tries=12, settle=1.0)
keys("space")
wait("the box checked", lambda: box.getState().contains(pyatspi.STATE_CHECKED))
keys("alt+o")
wait("Setup to close", lambda: top("Dornwatch Setup") is None)
focus("^Dornwatch '96")
keys("alt+f", "x")
PY
run_a11y_driver

[ -f "$ENTRY" ] || { echo "no autostart entry"; ls -R "$XDG_CONFIG_HOME" 2>&1; exit 1; }
grep -qx 'Type=Application' "$ENTRY" || { echo "entry: $(cat "$ENTRY")"; exit 1; }
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$ENTRY" || { echo "the entry does not validate"; exit 1; }
fi
# The Exec line as the desktop reads it: string escapes, then the quoting of
# arguments, then %% for a percent sign.
mapfile -t argv < <(python3 - "$ENTRY" <<'PY'
import shlex, sys
line = next(l for l in open(sys.argv[1]) if l.startswith("Exec="))[5:].rstrip("\n")
line = line.replace("\\\\", "\\")
for a in shlex.split(line):
    print(a.replace("%%", "%"))
PY
)
[ "${argv[0]}" = "$PROGRAM" ] || [ "$(readlink -f "${argv[0]}")" = "$(readlink -f "$PROGRAM")" ] ||
  { echo "Exec starts ${argv[0]}, not $PROGRAM"; exit 1; }
[ "${argv[*]:1}" = "--minimized --data $DORNWATCH_DATA" ] || { echo "Exec: ${argv[*]}"; exit 1; }
unset DORNWATCH_DATA  # the entry itself says where the data is
DORNWATCH_AUTOEXIT=300 QT_QPA_PLATFORM=xcb timeout 60 "${argv[@]}" >"$WORK/login.log" 2>&1
code=$?
[ $code -eq 0 ] || { echo "the entry's Exec: exit code $code: $(cat "$WORK/login.log")"; exit 1; }
[ -e "$HOME/.local/share/dornwatch" ] && { echo "the login start did not use the same data"; exit 1; }
echo "dornwatch autostart: ok"

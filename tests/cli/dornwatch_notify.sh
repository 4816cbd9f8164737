#!/bin/bash
# Due messages as desktop notifications, on a real session bus with a small
# notification service of the test's own (lib/notification_server.py): with
# "Notifications=1" in DORN.INI a message task due a few seconds after the
# start arrives at the service with its text and the actions "Open" and
# "Snooze 10 minutes", and no message window opens; the service answers
# "Open" as a user would, and the message window shows the message (read
# through the accessibility tree).
set -u
BUILD=${1:?build folder}
source "$(dirname "$0")/lib/a11y_session.sh"
export NOTIFY_LOG="$WORK/notifications.log" NOTIFY_SERVER="$A11Y_LIB/notification_server.py" PY
mkdir -p "$DORNWATCH_CONFIG"
printf '[Settings]\r\nStartUpSchedule=1\r\n[Desktop]\r\nNotifications=1\r\n' >"$DORNWATCH_CONFIG/DORN.INI"
when=$(date -d '+6 seconds' '+%Y-%m-%d %H:%M:%S')
"$BUILD/dornctl" add --description "Plants" --type message --message "Water the plants" \
  --schedule once --date "${when% *}" --time "${when#* }" >/dev/null || { echo "dornctl add failed"; exit 1; }

cat >"$WORK/driver.py" <<'PY'
import json, os, subprocess, sys, time
import pyatspi
from a11y_driver import *

server = subprocess.Popen([os.environ["PY"], os.environ["NOTIFY_SERVER"], os.environ["NOTIFY_LOG"], "open"])
try:
    frame = wait("the frame", lambda: top("Dornwatch '96"))
    def notifications():
        try:
            return [json.loads(l) for l in open(os.environ["NOTIFY_LOG"])]
        except FileNotFoundError:
            return []
    got = wait("the notification", notifications, seconds=40)[0]
    if got["body"] != "Water the plants":
        sys.exit("notification body: %r" % got["body"])
    if got["actions"] != ["open", "Open", "snooze", "Snooze 10 minutes"]:
        sys.exit("notification actions: %r" % got["actions"])
    print("notified:", got)
    def message_window():
        return find(frame, lambda n: n.name == "Message" and n.getRole() in
                    (pyatspi.ROLE_INTERNAL_FRAME, pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW))
    window = wait("the message window after Open", message_window)
    text = wait("the message's text", lambda: find(window, lambda n: "Water the plants" in text_of(n)))
    print("opened: ok")
    focus("^Dornwatch '96")
    keys("alt+f", "x")
finally:
    server.terminate()
PY
run_a11y_driver
echo "dornwatch notifications: ok"

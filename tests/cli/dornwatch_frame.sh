#!/bin/bash
# The program opens its frame and ends with exit code 0, once through
# File > Exit (chosen by the DORNWATCH_AUTOEXIT test hook), once through
# the end of the session (SIGTERM reaching the frame as EVENT:CloseDown),
# and through SIGTERM sent at moments of its start-up.
set -u
BUILD=${1:?build folder}
PROGRAM="$BUILD/dornwatch"
[ -x "$PROGRAM" ] || { echo "no $PROGRAM"; exit 1; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export DORNWATCH_DATA="$WORK/data" DORNWATCH_CONFIG="$WORK/config"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export XDG_RUNTIME_DIR="$WORK/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# The first run is in a real X session when Xvfb is installed: a server on a
# display it chooses itself (-displayfd), so that tests running side by side
# never race for one display number.
XPID=
if [ "${DW_USE_XVFB:-1}" = 1 ] && command -v Xvfb >/dev/null; then
  exec 3>"$WORK/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
  XPID=$!
  exec 3>&-
  for _ in $(seq 1 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
  [ -s "$WORK/display" ] || { echo "Xvfb could not start"; cat "$WORK/xvfb.log"; exit 1; }
  trap 'kill $XPID 2>/dev/null; wait $XPID 2>/dev/null; rm -rf "$WORK"' EXIT
fi
run() {
  if [ -n "$XPID" ]; then
    DISPLAY=":$(head -n1 "$WORK/display")" QT_QPA_PLATFORM=xcb "$PROGRAM" "$@"
  else
    "$PROGRAM" "$@"
  fi
}

DORNWATCH_AUTOEXIT=200 timeout 60 bash -c "$(declare -f run); PROGRAM='$PROGRAM'; WORK='$WORK'; XPID='$XPID'; run" >"$WORK/exit.log" 2>&1
code=$?
if [ $code -ne 0 ]; then
  echo "File > Exit: exit code $code"; cat "$WORK/exit.log"; exit 1
fi

"$PROGRAM" >"$WORK/term.log" 2>&1 &
pid=$!
sleep 1.5
kill -TERM $pid
for _ in $(seq 1 100); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
if kill -0 $pid 2>/dev/null; then
  kill -KILL $pid; echo "SIGTERM did not end the program"; exit 1
fi
wait $pid
code=$?
if [ $code -ne 0 ]; then
  echo "SIGTERM: exit code $code"; cat "$WORK/term.log"; exit 1
fi
# A termination request ends the program whenever it arrives, also while it
# is still starting up (before the frame could answer it).
for delay in 0 0.02 0.05 0.1 0.2; do
  "$PROGRAM" >"$WORK/early.log" 2>&1 &
  pid=$!
  # Counted from the moment the program itself runs (not the shell that starts it).
  for _ in $(seq 1 500); do
    [ "$(readlink /proc/$pid/exe 2>/dev/null)" = "$(readlink -f "$PROGRAM")" ] && break
    sleep 0.01
  done
  sleep $delay
  kill -TERM $pid
  for _ in $(seq 1 300); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  if kill -0 $pid 2>/dev/null; then
    kill -KILL $pid; echo "SIGTERM after ${delay}s did not end the program"; cat "$WORK/early.log"; exit 1
  fi
  wait $pid
  code=$?
  # 143: the signal came while the loader was still starting the program,
  # before its first instruction could catch it; it ended all the same.
  if [ $code -ne 0 ] && [ $code -ne 143 ]; then
    echo "SIGTERM after ${delay}s: exit code $code"; cat "$WORK/early.log"; exit 1
  fi
done

[ -d "$WORK/data" ] || { echo "data directory not made"; exit 1; }
echo "dornwatch frame: ok"

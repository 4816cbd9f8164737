#!/bin/bash
# The program opens its frame and ends with exit code 0, once through
# File > Exit (chosen by the DORNWATCH_AUTOEXIT test hook) and once through
# the end of the session (SIGTERM reaching the frame as EVENT:CloseDown).
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

run() {  # run the program in a real X session under xvfb-run when it is installed
  if [ "${DW_USE_XVFB:-1}" = 1 ] && command -v xvfb-run >/dev/null; then
    QT_QPA_PLATFORM=xcb xvfb-run -a "$PROGRAM" "$@"
  else
    "$PROGRAM" "$@"
  fi
}

DORNWATCH_AUTOEXIT=200 timeout 60 bash -c "$(declare -f run); PROGRAM='$PROGRAM'; run" >"$WORK/exit.log" 2>&1
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
[ -d "$WORK/data" ] || { echo "data directory not made"; exit 1; }
echo "dornwatch frame: ok"

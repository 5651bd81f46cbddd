#!/usr/bin/env bash
# Runs a test program on a virtual X display (Xvfb) with a real window
# manager (openbox), for behaviour that only a desktop shows: window frames
# and placement. Both are stopped when the program ends.
#   tests/run_on_x11.sh PROGRAM [ARGS...]
set -euo pipefail
for tool in Xvfb openbox; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: scripts/deps.sh installs it" >&2; exit 1; }
done

fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
read -r number <"$fifo"
rm -f "$fifo"
export DISPLAY=":$number"
cleanup() {
  kill "${wm:-}" "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
}
trap cleanup EXIT

# Openbox runs its start-up command once it manages the screen; windows
# mapped before that would stay unframed.
ready=$(mktemp -u)
openbox --sm-disable --startup "touch $ready" >/dev/null 2>&1 &
wm=$!
for _ in $(seq 200); do
  [ -e "$ready" ] && break
  sleep 0.05
done
[ -e "$ready" ] || { echo "openbox did not start" >&2; exit 1; }
rm -f "$ready"

QT_QPA_PLATFORM=xcb "$@"

#!/usr/bin/env bash
# Runs a test program on a virtual X display (Xvfb) with a real window
# manager (openbox), for behaviour that only a desktop shows: window frames
# and placement. Both are stopped when the program ends.
#   tests/run_on_x11.sh PROGRAM [ARGS...]
set -euo pipefail
for tool in Xvfb openbox xprop; do
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

openbox --sm-disable >/dev/null 2>&1 &
wm=$!
# The window manager is ready once it has announced itself on the root window.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || { echo "openbox did not start" >&2; exit 1; }

QT_QPA_PLATFORM=xcb "$@"

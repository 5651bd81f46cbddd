#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program with samples/ as
# its current folder (the file selection window opens there).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/deps.sh"
"$root/scripts/build.sh"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: this is a desktop program; start it under a virtual display with: xvfb-run -a scripts/run.sh (apt-get install xvfb)." >&2
  exit 1
fi

cd "$root/samples"
exec "$root/build/bin/CorvaneYieldReport"

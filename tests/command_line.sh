#!/usr/bin/env bash
# The program's --help and --version answer on standard output and end with
# code 0 without a window, even where there is no display at all; an unknown
# option is refused the same way, with code 1.
#   tests/command_line.sh PROGRAM
set -uo pipefail
program="$1"
out="$(mktemp)"; err="$(mktemp)"
trap 'rm -f "$out" "$err"' EXIT
failures=0
# No display of any kind, and no platform chosen for Qt.
run() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" "$@" >"$out" 2>"$err"; }
check() {  # name, expected code, code, condition
  if [ "$2" = "$3" ] && eval "$4"; then
    echo "PASS: $1"
  else
    echo "FAIL: $1 (code $3)"; sed 's/^/  stdout: /' "$out"; sed 's/^/  stderr: /' "$err"
    failures=$((failures + 1))
  fi
}
for option in --help -h; do
  run "$option"; code=$?
  check "$option" 0 "$code" '[ "$(head -n 1 "$out")" = "Usage: $(basename "$program") [options] [files...]" ] && grep -q -- "--version" "$out" && [ ! -s "$err" ]'
done
for option in --version -v; do
  run "$option"; code=$?
  check "$option" 0 "$code" 'grep -Eqx "CorvaneYieldReport \(Corvane Yield Report Analysis\) [0-9]+\.[0-9]+\.[0-9]+" "$out" && [ ! -s "$err" ]'
done
run --help report.yrp; code=$?
check "--help with a file" 0 "$code" 'grep -q "^Usage:" "$out"'
run --no-such-option; code=$?
check "unknown option" 1 "$code" '[ ! -s "$out" ] && grep -q "Unknown option .no-such-option." "$err"'
echo "$((6 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]

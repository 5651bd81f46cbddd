#!/usr/bin/env bash
# Builds the tests with ThreadSanitizer in build-tsan/ and runs those that
# run a second thread (the writer: database layer, import, fault matrix;
# the record grid's copy: grids; the filter's and breakdown's passes over
# many rows: breakdown; a workbook's sheets two at a time: export); any
# data race report fails the run. Their runs on the virtual X display are
# left out: the X and GLib libraries are not built for the sanitizer, and it
# reports their own locking as races.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/deps.sh"
build="$root/build-tsan"
flags="-fsanitize=thread -fno-omit-frame-pointer"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$build" -j"$(nproc)" --target tst_database tst_import tst_faults tst_grid tst_breakdown tst_export
cd "$build"
# The tests start helper processes (QProcess forks) after threads exist.
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:die_after_fork=0:suppressions=$root/tests/tsan.supp"
ctest --output-on-failure -R '^tst_(database|import|faults|grid|breakdown|export)$' "$@"

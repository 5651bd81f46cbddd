#!/usr/bin/env bash
# Installs what is missing, builds, and runs the road benchmark; generated
# report files are cached in bench/cache between runs.
#   bench/run.sh [--sizes 100000,1000000,3000000] [--runs 3]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/deps.sh"
"$root/scripts/build.sh" >/dev/null
cd "$root"
exec "$root/build/bench/bench_road" --cache "$root/bench/cache" "$@"

#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time
# (default 600 seconds), seeded from samples/ and the tests' inputs.
#   tools/fuzz.sh [seconds per target] [target...]
# Prints the executions of each target; exits non-zero when one found a
# crash, a hang, a leak or a sanitizer report (kept in build-fuzz/artifacts).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-600}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_report_reader fuzz_field_values fuzz_filter)

"$root/scripts/deps.sh"
missing=()
for p in clang libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=(); [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build="$root/build-fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCORVANE_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null

# Seeds: the sample files, field texts, filter texts.
seeds="$build/seeds"
mkdir -p "$seeds/fuzz_report_reader" "$seeds/fuzz_field_values" "$seeds/fuzz_filter" "$build/artifacts"
cp "$root"/samples/*.yrp "$seeds/fuzz_report_reader/"
printf '\xEF\xBB\xBF2024-03-07,a\r\nx\ry\nz' > "$seeds/fuzz_report_reader/endings"
printf 'Wei\xDF' > "$seeds/fuzz_report_reader/cp1252"
i=0
for v in 120 3.5 -1.25e2 " 4 " 1e999 .5 7. 2024-03-07 3/7/2024 2024-02-30 10:42:17 "1,5"; do
  printf '%s' "$v" > "$seeds/fuzz_field_values/v$i"; i=$((i+1))
done
i=0
for f in "Width = 4" "Material = 'Oak'AND Width = '4' And BDate >= 2024-03-07 AND BDate <=3/9/2024" \
         "Material = 'Pete''s Oak'" "Supplier <> ''" "Width >= 1.5 and Width<3" "BDate > 2024-1-1"; do
  printf '%s' "$f" > "$seeds/fuzz_filter/f$i"; i=$((i+1))
done

status=0
passed=0
failed=0
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  log="$build/$t.log"
  echo "== $t: ${seconds}s"
  if ! "$build/bin/$t" "$corpus" "$seeds/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-" >"$log" 2>&1; then
    echo "   FAILED: see $log and $build/artifacts"
    status=1
    failed=$((failed + 1))
  else
    passed=$((passed + 1))
  fi
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb|SUMMARY|ERROR" "$log" | sed 's/^/   /' || true
done
echo "fuzz: $passed passed, $failed failed"
exit $status

#!/usr/bin/env bash
# Installs what is missing, builds the fuzz targets with clang 14 under
# AddressSanitizer and UndefinedBehaviorSanitizer in build/fuzz, and runs
# each for SECONDS (default 60) on a copy of its seed corpus, so that nothing
# new lands in the repository. Fails when any target finds a fault; the
# input that found it is kept in build/fuzz/findings. QEB_JOBS limits the
# build's jobs (default: one per core).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
bash scripts/deps.sh

cmake -S tests/fuzz -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build build/fuzz -j "${QEB_JOBS:-$(nproc)}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
findings=build/fuzz/findings
mkdir -p "$findings"
failed=()
for corpus in tests/fuzz/corpus/*/; do
  target=$(basename "$corpus")
  log=build/fuzz/$target.log
  cp -r "$corpus" "$work/$target"
  if UBSAN_OPTIONS=print_stacktrace=1 build/fuzz/"$target" -max_total_time="$seconds" -timeout=25 \
       -print_final_stats=1 -artifact_prefix="$findings/$target-" "$work/$target" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -1)
    echo "$target: $runs runs in ${seconds} s, $coverage"
  else
    failed+=("$target")
    tail -n 40 "$log"
    echo "$target: FAILED (log: $log)"
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz targets that found faults: ${failed[*]}" >&2
  exit 1
fi

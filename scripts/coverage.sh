#!/usr/bin/env bash
# Installs what is missing, builds with coverage, runs every test, and prints
# the line and branch coverage of src/ and platform/; fails below 95 % of
# lines or 80 % of branches.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)
# Atomic counters: tests run side by side in threads and processes.
cmake -S . -B build/coverage -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQEB_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="--coverage -fprofile-update=atomic" -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage
cmake --build build/coverage -j "$jobs"
find build/coverage -name '*.gcda' -delete
ctest --test-dir build/coverage -j "$jobs" --output-on-failure
# Branches the compiler adds for exceptions and unreachable code are not the
# library's own.
gcovr --root . --filter 'src/' --filter 'platform/' --exclude-throw-branches --exclude-unreachable-branches \
  --print-summary --fail-under-line 95 --fail-under-branch 80 build/coverage

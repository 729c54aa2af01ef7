#!/usr/bin/env bash
# Installs what is missing, builds, and runs the qeb tool on the bundled sample.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build/main -G Ninja -DQEB_BUILD_TESTS=OFF -DQEB_BUILD_BENCH=OFF >/dev/null
cmake --build build/main
build/main/tools/qeb/qeb replace colour color data/sample.txt
echo  # the sample's last line has no line end
build/main/tools/qeb/qeb detect --header data/sample.csv

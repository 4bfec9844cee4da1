#!/usr/bin/env bash
# build.sh DIR MODE: configures and builds the project into DIR.
# MODE is Release (the program directory) or Sanitize (ASan + UBSan, no benchmarks).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
mode=${2:-Release}
jobs=$(nproc 2>/dev/null || echo 2)
if [ "$mode" = "Sanitize" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRUVEL_SANITIZE=ON -DRUVEL_BENCH=OFF >/dev/null
else
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$mode" >/dev/null
fi
cmake --build "$dir" -j "$jobs"

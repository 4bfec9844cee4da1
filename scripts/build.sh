#!/usr/bin/env bash
# build.sh DIR MODE [TARGET...]: configures and builds the project into DIR.
# MODE is Release (the program directory) or Sanitize (ASan + UBSan, no
# benchmarks); without targets everything is built (tests, tools, benchmarks).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
mode=${2:-Release}
shift $(( $# < 2 ? $# : 2 ))
targets=()
for t in "$@"; do targets+=(--target "$t"); done
jobs=$(nproc 2>/dev/null || echo 2)
# ccache, when present, keeps object files across build directories and
# checkouts; paths are made relative to the checkout so they share entries.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
if [ "$mode" = "Sanitize" ]; then
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRUVEL_SANITIZE=ON -DRUVEL_BENCH=OFF "${launcher[@]}" >/dev/null
else
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$mode" "${launcher[@]}" >/dev/null
fi
cmake --build "$dir" -j "$jobs" "${targets[@]}"

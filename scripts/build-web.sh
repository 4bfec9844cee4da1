#!/usr/bin/env bash
# build-web.sh [DIR]: builds the program for WebAssembly into DIR (build-web/
# by default) from the same CMake project as the desktop program, with the
# libraries scripts/setup-web.sh made, and puts ruvel.js and ruvel.wasm into
# the desktop program directory's web/ folder (build/web/), where
# `ruvel --export-web` takes them from.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
dir=${1:-build-web}
desktop=${RUVEL_DESKTOP_BUILD:-build}
deps=${RUVEL_WEB_DEPS:-$root/build-web-deps/prefix}
if [ ! -f "$deps/.built-imgui" ]; then
  echo "build-web: the libraries are missing in $deps; run scripts/setup-web.sh first" >&2
  exit 1
fi
export NODE_PATH=/usr/share/nodejs
jobs=$(nproc 2>/dev/null || echo 2)

# The CP932 table comes from the desktop's iconv, through the desktop
# build's generator.
if [ ! -f "$desktop/build.ninja" ]; then
  cmake -S . -B "$desktop" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$desktop" --target make_cp932_table >/dev/null
mkdir -p "$dir"
"$desktop/make_cp932_table" "$dir/cp932_table.inc"

emcmake cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRUVEL_BENCH=OFF \
  -DRUVEL_WEB_DEPS="$deps" -DRUVEL_CP932_TABLE="$(cd "$dir" && pwd)/cp932_table.inc" >/dev/null
cmake --build "$dir" --target ruvel -j "$jobs"

mkdir -p "$desktop/web"
cp "$dir/ruvel.js" "$dir/ruvel.wasm" "$desktop/web/"
echo "build-web: $desktop/web/ruvel.js $(stat -c %s "$desktop/web/ruvel.wasm") bytes of wasm"

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
source scripts/web-deps-dir.sh
deps=${RUVEL_WEB_DEPS:-$web_deps/prefix}
if [ ! -f "$deps/.built-imgui" ]; then
  echo "build-web: the libraries are missing in $deps; run scripts/setup-web.sh first" >&2
  exit 1
fi
export NODE_PATH=/usr/share/nodejs
jobs=$(nproc 2>/dev/null || echo 2)

# The CP932 table comes from the desktop's iconv, through the desktop
# build's generator.
if [ ! -f "$desktop/build.ninja" ]; then
  launcher=()
  if command -v ccache >/dev/null 2>&1; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  fi
  CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1 cmake -S . -B "$desktop" -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null
fi
CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1 cmake --build "$desktop" --target make_cp932_table >/dev/null
mkdir -p "$dir"
"$desktop/make_cp932_table" "$dir/cp932_table.inc"

# ccache keeps the compiled objects across checkouts as for the desktop
# build (paths relative to the checkout). em++ is a small script that stays
# the same across versions, so the packages behind it stand for the compiler.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
  CCACHE_COMPILERCHECK="string:$(dpkg-query -W -f='${Package}=${Version} ' emscripten clang-14 2>/dev/null || true)"
  export CCACHE_COMPILERCHECK
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
emcmake cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRUVEL_BENCH=OFF "${launcher[@]}" \
  -DRUVEL_WEB_DEPS="$deps" -DRUVEL_CP932_TABLE="$(cd "$dir" && pwd)/cp932_table.inc" >/dev/null
cmake --build "$dir" --target ruvel -j "$jobs"

mkdir -p "$desktop/web"
cp "$dir/ruvel.js" "$dir/ruvel.wasm" "$desktop/web/"
echo "build-web: $desktop/web/ruvel.js $(stat -c %s "$desktop/web/ruvel.wasm") bytes of wasm"

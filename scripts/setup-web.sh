#!/usr/bin/env bash
# setup-web.sh [DIR]: installs the WebAssembly compiler (and Chromium for
# the browser test) from Debian, then builds the libraries the program links
# against for WebAssembly from Debian's own source packages into DIR/prefix.
# DIR is by default a folder in the user's cache named after this recipe
# (scripts/web-deps-dir.sh), so every checkout shares it. A library already
# built is skipped, so a second run only checks.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

SUDO=""
if [ "$(id -u)" != "0" ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

# node-ws: the browser test talks to Chromium through the DevTools protocol.
PACKAGES=(emscripten chromium node-ws dpkg-dev ca-certificates python3 cmake ninja-build pkg-config fonts-ipafont-gothic)
missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

# Source packages come from the same archive as the binary ones; a sources
# file of our own turns on deb-src without touching the system's lists.
src_list=/etc/apt/sources.list.d/ruvel-web-src.sources
need_update=0
if [ ! -f "$src_list" ]; then
  $SUDO tee "$src_list" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  need_update=1
fi
if [ ${#missing[@]} -gt 0 ] || [ $need_update = 1 ]; then
  $SUDO apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup-web: installing ${missing[*]}"
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

source scripts/web-deps-dir.sh
deps=${1:-$web_deps}
mkdir -p "$deps"
deps=$(cd "$deps" && pwd)
prefix=$deps/prefix
# The unpacked sources do not depend on the recipe: all stamps share them.
srcdir=${RUVEL_WEB_SRC_DIR:-$web_cache/web-src}
mkdir -p "$prefix" "$srcdir"
# Two checkouts setting up at once take turns.
exec 9>"$web_cache/.web-lock"
flock 9

# Debian's compiler runs its optimiser under node with the Debian modules.
export NODE_PATH=/usr/share/nodejs
jobs=$(nproc 2>/dev/null || echo 2)
export CFLAGS="-O2" CXXFLAGS="-O2"
cmake_common=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix"
              -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix"
              -DBUILD_SHARED_LIBS=OFF)

# fetch PACKAGE: unpacks Debian's source package once and prints its folder.
fetch() {
  local pkg=$1
  local dir
  dir=$(find "$srcdir" -maxdepth 1 -mindepth 1 -type d -name "${pkg}-[0-9]*" | head -n1)
  if [ -z "$dir" ]; then
    (cd "$srcdir" && apt-get source -qq --download-only "$pkg" >/dev/null 2>&1 \
      && dpkg-source --no-check -x "$(ls -t "${pkg}"_*.dsc | head -n1)" >/dev/null)
    dir=$(find "$srcdir" -maxdepth 1 -mindepth 1 -type d -name "${pkg}-[0-9]*" | head -n1)
  fi
  [ -n "$dir" ] || { echo "setup-web: could not unpack $pkg" >&2; exit 1; }
  echo "$dir"
}

# built NAME: true when NAME is already in the prefix.
built() { [ -f "$prefix/.built-$1" ]; }
mark() { touch "$prefix/.built-$1"; echo "setup-web: built $1"; }

# cmake_lib NAME SOURCE-DIR ARGS...: configures, builds and installs one library.
cmake_lib() {
  local name=$1 src=$2; shift 2
  rm -rf "$deps/build/$name"
  emcmake cmake -S "$src" -B "$deps/build/$name" "${cmake_common[@]}" "$@" >"$deps/build-$name.log" 2>&1
  cmake --build "$deps/build/$name" -j "$jobs" >>"$deps/build-$name.log" 2>&1
  cmake --install "$deps/build/$name" >>"$deps/build-$name.log" 2>&1
}
trap 'echo "setup-web: failed; the last lines of $deps/build-*.log tell why" >&2' ERR

# zlib's Debian source leaves out the Windows files its CMake list names,
# so its few sources are compiled straight into a static library.
if ! built zlib; then
  src=$(fetch zlib)
  rm -rf "$deps/build/zlib"; mkdir -p "$deps/build/zlib" "$prefix/lib" "$prefix/include"
  # What zlib's configure would settle: the web C library has unistd.h (the
  # sources see their own zconf.h, so they are told too).
  sed "s/#ifdef HAVE_UNISTD_H.*/#if 1/" "$src/zconf.h.in" >"$prefix/include/zconf.h"
  for f in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate inftrees trees uncompr zutil; do
    emcc -O2 -DHAVE_UNISTD_H -I"$prefix/include" -c "$src/$f.c" -o "$deps/build/zlib/$f.o"
  done
  emar rcs "$prefix/lib/libz.a" "$deps/build/zlib"/*.o
  cp "$src/zlib.h" "$prefix/include/"
  mark zlib
fi
if ! built libpng; then
  src=$(fetch libpng1.6)
  cmake_lib libpng "$src" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DZLIB_INCLUDE_DIR="$prefix/include" -DZLIB_LIBRARY="$prefix/lib/libz.a" -DPNG_ARM_NEON=off
  mark libpng
fi
if ! built pcre2; then
  src=$(fetch pcre2)
  cmake_lib pcre2 "$src" -DPCRE2_BUILD_PCRE2_8=ON -DPCRE2_BUILD_PCRE2_16=OFF -DPCRE2_BUILD_PCRE2_32=OFF \
    -DPCRE2_SUPPORT_JIT=OFF -DPCRE2_BUILD_PCRE2GREP=OFF -DPCRE2_BUILD_TESTS=OFF -DPCRE2_SUPPORT_LIBZ=OFF \
    -DPCRE2_SUPPORT_LIBBZ2=OFF -DPCRE2_SUPPORT_LIBEDIT=OFF -DPCRE2_SUPPORT_LIBREADLINE=OFF
  mark pcre2
fi
if ! built freetype; then
  src=$(fetch freetype)
  cmake_lib freetype "$src" -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_BROTLI=ON \
    -DFT_DISABLE_PNG=ON -DFT_REQUIRE_ZLIB=ON -DZLIB_INCLUDE_DIR="$prefix/include" -DZLIB_LIBRARY="$prefix/lib/libz.a"
  mark freetype
fi
if ! built sdl2; then
  src=$(fetch libsdl2)
  cmake_lib sdl2 "$src" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL_THREADS=OFF
  mark sdl2
fi
if ! built sdl2-ttf; then
  src=$(fetch libsdl2-ttf)
  cmake_lib sdl2-ttf "$src" -DSDL2TTF_VENDORED=OFF -DSDL2TTF_HARFBUZZ=OFF -DSDL2TTF_SAMPLES=OFF \
    -DSDL2_DIR="$prefix/lib/cmake/SDL2" -Dfreetype_DIR="$prefix/lib/cmake/freetype" \
    -DFREETYPE_INCLUDE_DIRS="$prefix/include/freetype2" -DFREETYPE_LIBRARY="$prefix/lib/libfreetype.a"
  mark sdl2-ttf
fi
# giflib and Dear ImGui come with plain makefiles; their few sources are
# compiled straight into static libraries.
if ! built giflib; then
  src=$(fetch giflib)
  rm -rf "$deps/build/giflib"; mkdir -p "$deps/build/giflib"
  for f in dgif_lib egif_lib gifalloc gif_err gif_font gif_hash openbsd-reallocarray quantize; do
    [ -f "$src/$f.c" ] && emcc -O2 -c "$src/$f.c" -o "$deps/build/giflib/$f.o"
  done
  emar rcs "$prefix/lib/libgif.a" "$deps/build/giflib"/*.o
  cp "$src/gif_lib.h" "$prefix/include/"
  mark giflib
fi
if ! built imgui; then
  src=$(fetch imgui)
  rm -rf "$deps/build/imgui"; mkdir -p "$deps/build/imgui" "$prefix/include/imgui"
  for f in imgui imgui_draw imgui_tables imgui_widgets imgui_demo backends/imgui_impl_sdl backends/imgui_impl_sdlrenderer; do
    em++ -O2 -I"$src" -I"$prefix/include/SDL2" -c "$src/$f.cpp" -o "$deps/build/imgui/$(basename "$f").o"
  done
  emar rcs "$prefix/lib/libimgui.a" "$deps/build/imgui"/*.o
  cp "$src"/*.h "$src"/backends/imgui_impl_sdl.h "$src"/backends/imgui_impl_sdlrenderer.h "$prefix/include/imgui/"
  mark imgui
fi
echo "setup-web: ready ($prefix)"

#!/usr/bin/env bash
# Installs the Debian packages that building and running the program need;
# with --tests also those that only the tests, fuzzing and benchmarks use.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git ccache
  libpcre2-dev libpng-dev zlib1g-dev
  libsdl2-dev libsdl2-ttf-dev libfontconfig-dev fonts-ipafont-gothic libgif-dev libimgui-dev
  libfluidsynth-dev timgm6mb-soundfont
  nlohmann-json3-dev         # the language server and the debug adapter speak JSON
  libtinyxml2-dev            # importing Tiled maps (.tmx)
  libcpp-httplib-dev         # ruvel-rankd's HTTP server
  libsqlite3-dev             # ruvel-rankd's default store
  libpq-dev                  # ruvel-rankd's PostgreSQL store
)
TEST_PACKAGES=(
  libgtest-dev libgmock-dev
  xvfb xauth xdotool x11-apps netpbm xxd
  lua5.4                     # bench/vm/run.sh measures against Lua
  python3                    # the language server and debug adapter test clients
  clang libclang-rt-14-dev   # the fuzz targets (scripts/fuzz.sh)
  postgresql                 # the ranking server's PostgreSQL tests (scripts/test-rankd.sh)
  wrk                        # bench/rankd measures the ranking server
)

case "${1:-}" in
  "") ;;
  --tests) PACKAGES+=("${TEST_PACKAGES[@]}") ;;
  *) echo "usage: scripts/setup.sh [--tests]" >&2; exit 2 ;;
esac

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" != "0" ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

#!/usr/bin/env bash
# Builds the program and makes a Debian package of it with CPack:
# build/ruvel_<version>_<arch>.deb. Installing it puts the program in
# /usr/bin/ruvel and its data in /usr/share/ruvel. It depends on the
# packages of build/runtime-packages.txt, which the build computes from the
# libraries the program loads (scripts/runtime-packages.sh); the package's
# own list is printed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh build Release >&2
(cd build && cpack -G DEB)
deb=$(ls -1t build/*.deb | head -n1)
echo "$deb"
dpkg-deb -f "$deb" Depends

#!/usr/bin/env bash
# Builds the program and makes a Debian package of it with CPack:
# build/ruvel_<version>_<arch>.deb. Installing it puts the program in
# /usr/bin/ruvel and its data in /usr/share/ruvel.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh build Release >&2
(cd build && cpack -G DEB)
ls -1 build/*.deb

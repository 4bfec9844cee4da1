#!/usr/bin/env bash
# Sets up the machine, builds the program and runs every test: the normal
# build first, then the same tests under AddressSanitizer and UBSan, then
# each fuzz target for a few seconds (RUVEL_FUZZ_SECONDS, default 5).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh --tests
./scripts/build.sh build Release
(cd build && ctest --output-on-failure)
./scripts/build.sh build-asan Sanitize
(cd build-asan && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure)
./scripts/fuzz.sh "${RUVEL_FUZZ_SECONDS:-5}"

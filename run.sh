#!/usr/bin/env bash
# Sets up the machine, builds the program and runs it (the bundled demo game).
# Arguments are passed to the program, e.g. ./run.sh --headless --frames 60
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
./scripts/build.sh build Release >&2
exec ./build/ruvel "$@"

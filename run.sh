#!/usr/bin/env bash
# Sets up the machine, builds the program and runs it (the bundled demo game).
# Arguments are passed to the program, e.g. ./run.sh --headless --frames 60;
# file names in them are relative to the folder you run it from.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/setup.sh"
# Only the program and its program directory: tests and tools are built by ./test.sh.
"$root/scripts/build.sh" build Release ruvel >&2
exec "$root/build/ruvel" "$@"

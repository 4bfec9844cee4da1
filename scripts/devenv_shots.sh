#!/usr/bin/env bash
# Makes the pictures of docs/devenv.md: runs the offscreen test of the
# development windows, which keeps a picture of each window it opens.
# Usage: scripts/devenv_shots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target test_devwindow test_assetedit ruvel >/dev/null
out=$PWD/docs/images
mkdir -p "$out"
(cd "$build" && RUVEL_SHOT_DIR="$out" RUVEL_BUILD_DIR="$PWD" RUVEL_SOURCE_DIR="$OLDPWD" tests/test_devwindow --gtest_brief=1)
# The pattern editor's picture: the end of its replay test.
(cd "$build" && RUVEL_SHOT_DIR="$out" RUVEL_BUILD_DIR="$PWD" RUVEL_SOURCE_DIR="$OLDPWD" tests/test_assetedit --gtest_brief=1 \
  --gtest_filter='SheetEditorProgram.Replay*')
ls "$out"

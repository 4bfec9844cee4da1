#!/usr/bin/env bash
# Makes the pictures of docs/sound.md: runs each sound window under a
# headless X server, driven by an --input replay, and keeps a screenshot of
# the last frame as docs/images/sound-NAME.png. Each window has a function
# below; run them all, or name the ones to make.
# Usage: scripts/sound_shots.sh [BUILD_DIR] [NAME...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift $(( $# > 0 ? 1 : 0 ))
cmake --build "$build" --target ruvel >/dev/null
ruvel=$PWD/$build/ruvel
root=$PWD
out=$root/docs/images
work=/tmp/ruvel-sound-shots
rm -rf "$work"
mkdir -p "$work" "$out"
trap 'rm -rf "$work"' EXIT

# Replay lines: a key pressed at frame F.
key() {
  echo "$1 down $2"
  echo "$(($1 + 1)) up $2"
}

# Runs ruvel with the replay $work/replay.txt for FRAMES frames and the
# options given, keeping the last frame as docs/images/sound-NAME.png.
shot() {
  local name=$1 frames=$2
  shift 2
  xvfb-run -a -s '-screen 0 1280x800x24' "$ruvel" "$@" --fixed-clock --frames "$frames" \
    --input "$work/replay.txt" --screenshot "$out/sound-$name.png" </dev/null
  echo "docs/images/sound-$name.png"
}

# The effect maker on a new effect: the explosion preset (key 3), then
# one mutation (M).
sfx_editor() {
  { key 5 3; key 10 M; } >"$work/replay.txt"
  shot sfx-editor 30 --edit-sfx "$work/explosion.sfx"
}

names=("$@")
[ ${#names[@]} -gt 0 ] || names=(sfx_editor)
for n in "${names[@]}"; do "$n"; done

#!/usr/bin/env bash
# Makes the pictures of docs/sound.md: runs the sound editors under a
# headless X server, driven by --input replays, and keeps a screenshot of
# each. Usage: scripts/sound_shots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target ruvel >/dev/null
ruvel=$PWD/$build/ruvel
root=$PWD
out=$root/docs/images
work=/tmp/ruvel-sound-shots
rm -rf "$work"
mkdir -p "$work" "$out"
trap 'rm -rf "$work"' EXIT

# Replay lines: a click at frame F, and a key pressed at frame F.
click() {
  echo "$1 move $2 $3"
  echo "$(($1 + 1)) press left $2 $3"
  echo "$(($1 + 2)) release left $2 $3"
}
key() {
  echo "$1 down $2"
  echo "$(($1 + 1)) up $2"
}

# The music editor on the music box's song: 再生, and after a while a
# stray letter typed at the end of the text, so that the picture shows the
# notes being heard, the roll's play head and a mistake marked.
music_editor_shot() {
  cp "$root/examples/musicbox/sounds/twinkle.mml" "$work/twinkle.mml"
  {
    click 5 25 18            # 再生
    click 150 500 400        # the end of the text
    key 160 SPACE
    key 163 X
  } >"$work/replay.txt"
  xvfb-run -a -s '-screen 0 1280x800x24' "$ruvel" --edit-mml "$work/twinkle.mml" --fixed-clock --frames 200 \
    --input "$work/replay.txt" --screenshot "$out/sound-music-editor.png" </dev/null
  echo "docs/images/sound-music-editor.png"
}

music_editor_shot

#!/usr/bin/env bash
# Makes the pictures of docs/sound.md: runs each sound window under a
# headless X server, driven by an --input replay, and keeps a screenshot of
# the last frame as docs/images/sound-NAME.png. Each window has a function
# below; run them all, or name the ones to make.
# Usage: scripts/sound_shots.sh [BUILD_DIR] [tone_editor|music_editor_shot|sfx_editor...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shift $(( $# > 0 ? 1 : 0 ))
cmake --build "$build" --target ruvel >/dev/null
ruvel=$PWD/$build/ruvel
root=$PWD
out=$root/docs/images
# A fixed folder, as the editors show the path of their file in the pictures.
work=/tmp/ruvel-sound-shots
rm -rf "$work"
mkdir -p "$work" "$out"
trap 'rm -rf "$work"' EXIT

. scripts/replay_lines.sh

# The tone editor on a copy of the program's tones.wdt for FRAMES frames
# of the replay $work/replay.txt; the last frame is docs/images/sound-NAME.png.
tone_shot() {
  local name=$1 frames=$2
  cp "$root/tones.wdt" "$work/tones.wdt"
  xvfb-run -a -s '-screen 0 1280x800x24' "$ruvel" --edit-tones "$work/tones.wdt" --fixed-clock \
    --frames "$frames" --input "$work/replay.txt" --screenshot "$out/sound-$name.png" </dev/null
  echo "docs/images/sound-$name.png"
}

# Step s of the wave or envelope lies at x = 16 + 16s; wave value v at
# y = 279 - v; envelope level l at y = 439 - 127l/15; tone t's thumbnail
# at 554 + 38(t % 12), 37 + 28(t / 12).
sx() { echo $((16 + 16 * $1)); }
tone_editor() {
  {
    click 5 $((554 + 38 * 4)) $((37 + 28 * 2))   # tone 28
    drag 12 549 345 549 430                      # harmonic 1 down
    drag 20 583 390 583 360                      # harmonic 2 a little
    drag 28 617 415 617 345                      # harmonic 3 up
    drag 40 $(sx 20) 200 $(sx 24) 150 $(sx 28) 120 $(sx 31) 150
    click 50 $((536 + 38 * 2 + 18)) 455          # envelope 2
    drag 58 $(sx 0) 439 $(sx 3) 330 $(sx 6) 312 $(sx 16) 360 $(sx 31) 439
    key 70 X                                     # a D on the piano row
    echo "72 move 420 600"
  } >"$work/replay.txt"
  tone_shot tone-editor 76
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
[ ${#names[@]} -gt 0 ] || names=(tone_editor music_editor_shot sfx_editor)
for n in "${names[@]}"; do "$n"; done

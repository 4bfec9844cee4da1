#!/usr/bin/env bash
# Makes the pictures of docs/graphics.md: runs the pattern editor and the
# map editor under a headless X server, driven by --input replays on a
# copy of examples/platformer, and keeps a screenshot of each step.
# Usage: scripts/graphics_shots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target ruvel >/dev/null
ruvel=$PWD/$build/ruvel
root=$PWD
out=$root/docs/images
# A fixed folder, as the new-sheet dialog shows the path in the pictures.
work=/tmp/ruvel-graphics
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

. scripts/replay_lines.sh

# Runs the editor (--edit-sheet or --edit-map) on FILE of a fresh copy of
# the platformer for FRAMES frames of the replay $work/replay.txt and keeps
# the last frame as docs/images/graphics-NAME.png.
shot() {
  local name=$1 frames=$2 option=$3 file=$4
  rm -rf "$work/platformer"
  cp -r "$root/examples/platformer" "$work/platformer"
  xvfb-run -a -s '-screen 0 1280x800x24' "$ruvel" "$option" "$work/platformer/$file" --project "$work/platformer" \
    --frames "$frames" --input "$work/replay.txt" --screenshot "$out/graphics-$name.png" </dev/null
  echo "docs/images/graphics-$name.png"
}

# The pattern editor, at 8x after one click on + (sheet pixel (px, py) is
# at 5 + 8px, 5 + 8py).
sp() { echo $((5 + 8 * $1)) $((5 + 8 * $2)); }
{
  click 5 913 326                        # 新しいシート...
  click 20 355 399                       # 作成: a white 128 x 64 sheet
  click 30 798 248                       # + : 8x
  drag 40 782 118 900 118 1000 118       # R up to 255
  drag 60 830 118 900 118                # G up: orange
  click 80 882 42                        # 塗り四角: the body
  drag 85 $(sp 3 5) $(sp 9 9) $(sp 16 16)
  click 100 756 142                      # the palette's white
  click 105 755 17                       # 鉛筆: round the corners, the eyes
  n=0
  for p in "3 5" "16 5" "3 16" "16 16"; do
    drag $((110 + n)) $(sp $p) $(sp $p)
    n=$((n + 6))
  done
  drag 140 $(sp 6 8) $(sp 7 8) $(sp 7 9) $(sp 6 9)
  drag 150 $(sp 12 8) $(sp 13 8) $(sp 13 9) $(sp 12 9)
} >"$work/replay.txt"
shot sheet-new 15 --edit-sheet images/tiles.bmp
shot sheet-draw 165 --edit-sheet images/tiles.bmp
{
  cat "$work/replay.txt"
  click 165 755 90                       # 選択: the sprite
  drag 170 $(sp 2 3) $(sp 10 10) $(sp 17 17)
  click 185 868 220                      # 新しいパターン: a frame around it
  click 195 882 66                       # スポイト: the frame's colour
  click 200 $(sp 1 2)
  click 205 755 66                       # 塗りつぶし: the background inside
  click 210 $(sp 2 3)
  echo "225 move $(sp 9 12)"             # the pattern's number on hover
} >"$work/replay2.txt"
mv "$work/replay2.txt" "$work/replay.txt"
shot sheet-pattern 235 --edit-sheet images/tiles.bmp

# The map editor on the platformer's level, at 100 %: cell (c, r) is at
# 252 + 24c, 72 + 24r; palette tile n at 24 + 36(n % 6), 342 + 36(n / 6).
mc() { echo $((252 + 24 * $1)) $((72 + 24 * $2)); }
pt() { echo $((24 + 36 * ($1 % 6))) $((342 + 36 * ($1 / 6))); }
{
  click 5 $(pt 3)                        # the brick
  click 10 46 40                         # ペン: a platform
  drag 15 $(mc 2 6) $(mc 3 6) $(mc 4 6) $(mc 5 6)
  click 30 $(pt 4)                       # the coin
  click 35 126 40                        # 矩形: a block of coins
  drag 40 $(mc 2 4) $(mc 5 5)
  echo "55 move $(mc 6 5)"
} >"$work/replay.txt"
shot map-paint 60 --edit-map maps/stage1.map
{
  cat "$work/replay.txt"
  click 60 38 263                        # レイヤー 追加
  click 70 $(pt 3)                       # bricks on the new layer
  drag 75 $(mc 9 1) $(mc 13 2)
  click 105 756 40                       # 保存
  echo "115 move $(mc 20 2)"
} >"$work/replay2.txt"
mv "$work/replay2.txt" "$work/replay.txt"
shot map-layers 120 --edit-map maps/stage1.map

# Live reload: the platformer runs with --dev while an editor (OPTION FILE)
# replays $work/replay.txt, which ends with a save (Ctrl+S); after the
# editor ends, the game's window (centred on the screen) shows the change.
# Keeps the editor's last frame as graphics-NAME-editor.png and the game
# as graphics-NAME-game.png.
live() {
  local name=$1 option=$2 file=$3
  rm -rf "$work/platformer"
  cp -r "$root/examples/platformer" "$work/platformer"
  xvfb-run -a -s '-screen 0 1280x800x24' bash -c '
    cd "$1/platformer"
    "$2" --dev stage.cmml </dev/null & game=$!
    sleep 4
    "$2" "$4" "$5" --project . --frames 45 --input "$1/replay.txt" --screenshot "$3/graphics-$6-editor.png" </dev/null
    sleep 2
    xwd -root -silent | xwdtopnm 2>/dev/null | pamcut -left 360 -top 200 -width 560 -height 420 | pnmtopng >"$3/graphics-$6-game.png"
    kill $game' live "$work" "$ruvel" "$out" "$option" "$file" "$name"
  echo "docs/images/graphics-$name-editor.png"
  echo "docs/images/graphics-$name-game.png"
}
save() {
  echo "$1 down CONTROL"
  key $(($1 + 1)) S
  echo "$(($1 + 3)) up CONTROL"
}

# The hero's shirt filled with red on the sheet.
{
  click 5 846 167                        # the palette's red
  click 10 755 66                        # 塗りつぶし: the shirts of patterns 0 and 1
  click 15 60 66
  click 20 172 66
  save 30
  echo "40 move 60 66"
} >"$work/replay.txt"
live live-sheet --edit-sheet images/tiles.bmp

# A block of bricks painted with 矩形 into the level near the start.
{
  click 5 $(pt 3)                        # the brick
  click 10 126 40                        # 矩形
  drag 15 $(mc 3 8) $(mc 6 8) $(mc 7 9)
  save 30
  echo "40 move $(mc 9 6)"
} >"$work/replay.txt"
live live-map --edit-map maps/stage1.map

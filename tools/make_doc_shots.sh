#!/usr/bin/env bash
# Makes the screenshots of the documentation (docs/images/) from headless
# runs of the example projects with replayed input, so that they always
# show what the program really draws.
# Usage: tools/make_doc_shots.sh [RUVEL_BINARY]   (default build/ruvel)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
ruvel=${1:-$root/build/ruvel}
out=$root/docs/images
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# shot NAME PAGE FRAMES [INPUT] [extra options...]
shot() {
  local name=$1 page=$2 frames=$3 input=${4:-}
  shift 4 || shift $#
  local args=(--headless --fixed-clock --frames "$frames" --screenshot "$out/$name.png")
  [ -n "$input" ] && args+=(--input "$input")
  "$ruvel" "${args[@]}" "$@" "$page"
  echo "docs/images/$name.png"
}

# The tutorial works on a copy, so that its first steps can be shown with
# a page that holds only some of the objects.
cp -r "$root/examples/tutorial" "$work/tutorial"
t=$work/tutorial

# Step 1: a page with the basket alone, moved a little to the right.
cat >"$t/step1.cmml" <<'EOF'
<resourcelist name="usr">
 <resourcelist name="patterns">
  <cpattern name="$pat_sheet" src="images/sheet.bmp">
 </resourcelist>
 <resourcelist name="classes">
  <class name="Basket" src="classes/Basket.ruvel">
 </resourcelist>
 <resourcelist name="gen">
  <generator className="Basket" name="$basket" inst_x="280" inst_y="340">
 </resourcelist>
</resourcelist>
EOF
printf '5 down RIGHT\n25 up RIGHT\n' >"$work/right.txt"
shot tutorial-basket "$t/step1.cmml" 30 "$work/right.txt"

# The finished game: the title, then a while of play with the basket
# running to the left.
shot tutorial-title "$t/title.cmml" 30 ""
cat >"$work/play.txt" <<'EOF'
10 down Z
12 up Z
30 down LEFT
70 up LEFT
EOF
shot tutorial-play "$t/title.cmml" 400 "$work/play.txt"

# Design mode: the first cloud is dragged to the right.
cat >"$work/drag.txt" <<'EOF'
5 move 120 80
6 press left 120 80
8 move 180 70
10 move 232 64
EOF
shot tutorial-design "$t/play.cmml" 14 "$work/drag.txt" --design

# The other examples, as their replays leave them.
for name in platformer puzzle musicbox; do
  replay=$root/examples/$name/replay.txt
  page=$(sed -n 's/^# page: *//p' "$replay")
  frames=$(sed -n 's/^# frames: *//p' "$replay")
  shot "example-$name" "$root/examples/$name/$page" "$frames" "$replay"
done

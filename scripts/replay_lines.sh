# Sourced by the picture scripts (graphics_shots.sh, sound_shots.sh): lines
# of an --input replay, written to stdout.
#   click F X Y          a left click at frame F
#   drag F X1 Y1 X2 Y2 ... a left drag along the points, one frame each
#   key F KEY            a key pressed at frame F and let go at the next

click() {
  echo "$1 move $2 $3"
  echo "$(($1 + 2)) press left $2 $3"
  echo "$(($1 + 3)) release left $2 $3"
}
drag() {
  local f=$1
  shift
  echo "$f move $1 $2"
  echo "$((f + 2)) press left $1 $2"
  f=$((f + 3))
  while [ $# -gt 2 ]; do
    shift 2
    echo "$f move $1 $2"
    f=$((f + 1))
  done
  echo "$f release left $1 $2"
}
key() {
  echo "$1 down $2"
  echo "$(($1 + 1)) up $2"
}

#!/usr/bin/env bash
# run_layers_test.sh SOURCE_DIR: the layer checker passes on the source
# tree, and on small made-up trees it refuses an upward include, an include
# through __has_include and an unplaced folder while it accepts downward and
# same-layer includes.
set -uo pipefail
src=$1
check=$src/tools/check_layers.sh
fail=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

expect() {  # expect 0|1 NAME: runs the checker on $work/NAME
  local want=$1 name=$2 out rc
  out=$("$check" "$work/$name" 2>&1)
  rc=$?
  [ $rc -ne 0 ] && rc=1
  if [ $rc -ne "$want" ]; then
    echo "FAIL $name: exit $rc, expected $want"
    echo "$out" | sed 's/^/    /'
    fail=1
  else
    echo "ok   $name"
  fi
}

tree() {  # tree NAME FILE TEXT: a one-file source tree
  mkdir -p "$work/$1/src/$(dirname "$2")"
  printf '%s\n' "$3" >"$work/$1/src/$2"
}

tree down vm/a.cpp '#include "platform/cp932.h"'
tree sideways pages/a.cpp '#include "screen/main_screen.h"'
tree up vm/a.cpp '#include "shell/app.h"'
tree up_spaced io/a.h '  #  include "shell/app.h"'
tree has_include natives/a.h '#if __has_include("screen/sprite.h")'
tree unplaced widgets/a.cpp '#include "platform/cp932.h"'
tree known vm/gc.cpp '#include "runtime/rtti.h"'
tree known_elsewhere vm/other.cpp '#include "runtime/rtti.h"'
tree system_header vm/a.cpp '#include <SDL.h>'

expect 0 down
expect 0 sideways
expect 1 up
expect 1 up_spaced
expect 1 has_include
expect 1 unplaced
expect 0 known
expect 1 known_elsewhere
expect 0 system_header

out=$("$check" "$src" 2>&1) || { echo "FAIL source tree:"; echo "$out" | sed 's/^/    /'; fail=1; }
[ $fail -eq 0 ] && echo "ok   source tree"
exit $fail

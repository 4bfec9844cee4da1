#!/usr/bin/env bash
# check_layers.sh [ROOT]: fails when a file under ROOT/src includes a header
# of a higher layer. Dependencies point down:
#   platform <- vm <- runtime <- resources/natives/compiler
#            <- pages/screen/sound/io <- debugger/langserver <- devui
#            <- shell/dap/rankd
# Folders of one layer may include each other. The arrows that are known
# and not yet removed are listed below as "file -> header" pairs; any other
# upward include fails, and so does a folder the table does not place.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

layer_of() {
  case $1 in
    platform | modules_sdk) echo 0 ;;
    vm) echo 1 ;;
    runtime) echo 2 ;;
    resources | natives | compiler | tilemap) echo 3 ;;
    pages | screen | sound | io) echo 4 ;;
    debugger | langserver | assetedit) echo 5 ;;
    devui) echo 6 ;;
    shell | dap | rankd) echo 7 ;;
    *) echo -1 ;;
  esac
}

# Known upward arrows, too deep to cut without changing the design:
known=(
  # The interpreter, the process stack and values work on class records and
  # function objects; the two are one unit split across two folders.
  "src/vm/compiled_info.cpp -> runtime/rtti.h"
  "src/vm/frame_restart.cpp -> runtime/function.h"
  "src/vm/gc.cpp -> runtime/rtti.h"
  "src/vm/interpreter.cpp -> runtime/function.h"
  "src/vm/interpreter.cpp -> runtime/rtti.h"
  "src/vm/opcodes.cpp -> runtime/function.h"
  "src/vm/opcodes.cpp -> runtime/rtti.h"
  "src/vm/process.cpp -> runtime/function.h"
  "src/vm/process.cpp -> runtime/rtti.h"
  "src/vm/value.cpp -> runtime/rtti.h"
  # The collector marks the resource tree, whose nodes hold script values.
  "src/vm/compiled_info.cpp -> resources/resource.h"
  "src/vm/gc.cpp -> resources/resource.h"
  # A class record is a node of the resource tree and writes its own markup.
  "src/runtime/rtti.h -> resources/resource.h"
  "src/runtime/rtti.cpp -> resources/resource_markup.h"
  # The start-up sequence and the module loader assemble the layers above
  # them: they load the tree, mount module resources and bind the natives.
  "src/runtime/startup.h -> natives/native_table.h"
  "src/runtime/startup.cpp -> resources/resource_pattern.h"
  "src/runtime/startup.cpp -> resources/resource_loader.h"
  "src/runtime/startup.cpp -> resources/resource_tree.h"
  "src/runtime/modules.cpp -> resources/resource_element.h"
  "src/runtime/modules.cpp -> resources/resource_tree.h"
)

is_known() {
  local pair=$1 k
  for k in "${known[@]}"; do [ "$k" = "$pair" ] && return 0; done
  return 1
}

status=0
shopt -s nullglob
for file in src/*/*.h src/*/*.cpp src/*/*.c; do
  module=${file#src/}
  module=${module%%/*}
  from=$(layer_of "$module")
  if [ "$from" -lt 0 ]; then
    echo "check_layers: $file: folder src/$module has no layer in tools/check_layers.sh" >&2
    status=1
    continue
  fi
  # Every quoted "folder/name.h" of an #include or __has_include line.
  while IFS= read -r header; do
    target=${header%%/*}
    [ "$target" = "$module" ] && continue
    to=$(layer_of "$target")
    [ "$to" -lt 0 ] && continue  # not a source folder (a test helper, a library)
    if [ "$to" -gt "$from" ] && ! is_known "$file -> $header"; then
      echo "check_layers: $file includes $header: $module may not use $target (a higher layer)" >&2
      status=1
    fi
  done < <(grep -E '^[[:space:]]*#[[:space:]]*(include|if[[:space:]]+__has_include)' "$file" |
           grep -oE '"[a-z_0-9]+/[A-Za-z_0-9.]+"' | tr -d '"')
done
[ $status -eq 0 ] && echo "check_layers: no upward include outside the ${#known[@]} known ones"
exit $status

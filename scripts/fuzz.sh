#!/usr/bin/env bash
# fuzz.sh [SECONDS] [TARGET...]: builds the libFuzzer targets of tests/fuzz
# with clang (ASan + UBSan) into build-fuzz, and runs each for SECONDS
# (default 60), one after another, on a corpus seeded from the repository's
# own files. Corpora stay in build-fuzz/corpus, crashes go to
# build-fuzz/crashes. Prints one line per target and exits non-zero when a
# target found a fault.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
root=$PWD
out=$root/build-fuzz
jobs=$(nproc 2>/dev/null || echo 2)

launcher=()
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRUVEL_FUZZ=ON "${launcher[@]}" >/dev/null
cmake --build "$out" --target fuzzers -j "$jobs" >"$out/build.log" 2>&1 || { tail -30 "$out/build.log"; exit 1; }

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in tests/fuzz/fuzz_*.cpp; do
    name=$(basename "$f" .cpp)
    [ "$name" = fuzz_support ] || targets+=("$name")
  done
fi

# Copies the files named on stdin into a folder, numbered so that equal
# names do not collide.
numbered() {
  local i=0 f
  while IFS= read -r f; do i=$((i + 1)); cp "$f" "$1/$i-$(basename "$f")"; done
}

# Seeds: the repository's files of each format, and small examples of the
# formats the repository holds no file of.
seed() {
  local name=$1 dir=$out/seeds/$1
  mkdir -p "$dir"
  case $name in
    fuzz_script_source|fuzz_compiler)
      numbered "$dir" < <(find Kernel Usr tests/scripts -name '*.ruvel') ;;
    fuzz_markup|fuzz_resource_tree)
      numbered "$dir" < <(find Kernel Usr tests index.cmml -name '*.ruvelres' -o -name '*.cmml' -o -name '*.ruvelprj') ;;
    fuzz_class_file)
      # One run of an empty input starts the kernel, whose class files the
      # target then copies here.
      local empty
      empty=$(mktemp)
      RUVEL_FUZZ_KEEP_CLASSES="$dir" "$out/tests/fuzz/fuzz_class_file" "$empty" >/dev/null 2>&1 || true
      rm -f "$empty"
      [ -n "$(ls "$dir")" ] || { echo "$name: no seeds were made" >&2; return 1; } ;;
    fuzz_bmp)
      find Kernel Usr -iname '*.bmp' -exec cp -t "$dir" {} + ;;
    fuzz_png|fuzz_mlv)
      # Written by the target itself: the repository holds no such file.
      RUVEL_FUZZ_SEEDS="$dir" "$out/tests/fuzz/$name" -runs=0 >/dev/null 2>&1 || true ;;
    fuzz_mml)
      # The repository's songs and the hostile shapes the target writes.
      numbered "$dir" < <(find Usr examples tests -name '*.mml')
      RUVEL_FUZZ_SEEDS="$dir" "$out/tests/fuzz/$name" -runs=0 >/dev/null 2>&1 || true ;;
    fuzz_sfx)
      numbered "$dir" < <(find examples tests -name '*.sfx')
      printf 'wave = noise # comment\nfreq=1e9\nunknown = 1\nvolume = x\nsustain = 5\ndecay = 5\nrelease = 5\nline without equals\n' >"$dir/bad.sfx" ;;
    fuzz_wav)
      find Usr -iname '*.wav' -exec cp -t "$dir" {} + ;;
    fuzz_tones)
      { for t in $(seq 96); do printf '\x67%.0s' $(seq 16); printf '\x99%.0s' $(seq 16); done
        for e in $(seq 16); do for j in $(seq 0 31); do printf "\\x$(printf %02x $(((31 - j) / 2)))"; done; done; } >"$dir/tones.wdt" ;;
    fuzz_memory_card)
      { printf 'RUVEL_ACCESSIBLE_FILE_0001____\r\nREADABLE_WRITEABLE____________\r\nMEMORYCARD_0001_______________\r\n'
        printf '\x01\x00\x00\x00\xfe\xff\xff\xff\x07'; } >"$dir/card.dat"
      printf '\x00ABCD' >"$dir/level.map" ;;
    fuzz_controller_db)
      { printf '# comment\n03000000de280000ff11000001000000,Pad,a:b0,b:b1,leftx:a0,platform:Linux,\n'
        printf '03000000DE280000FF11000001000000,Pad again,a:b1,platform:Linux,\r\n'
        printf '030000005e0400008e02000000000000,Other,a:b0,platform:Windows,\nnoplatform,Any,a:b0,\n'; } >"$dir/gamecontrollerdb.txt" ;;
    fuzz_lsp)
      # An editor's session in framed messages: open, edit, ask.
      frame() { printf 'Content-Length: %d\r\n\r\n%s' "${#1}" "$1"; }
      { frame '{"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file:///tmp/A.ruvel","text":"extends classes.lang.Object;\nfunction f(a) { var b; b = new A(); b.f(a); }\n"}}}'
        frame '{"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file:///tmp/A.ruvel"},"contentChanges":[{"range":{"start":{"line":1,"character":30},"end":{"line":1,"character":31}},"text":"this."}]}}'
        frame '{"jsonrpc":"2.0","id":1,"method":"textDocument/completion","params":{"textDocument":{"uri":"file:///tmp/A.ruvel"},"position":{"line":1,"character":35}}}'
        frame '{"jsonrpc":"2.0","id":2,"method":"textDocument/rename","params":{"textDocument":{"uri":"file:///tmp/A.ruvel"},"position":{"line":1,"character":10},"newName":"g"}}'
        frame '{"jsonrpc":"2.0","id":3,"method":"textDocument/references","params":{"textDocument":{"uri":"file:///tmp/A.ruvel"},"position":{"line":1,"character":40}}}'
      } >"$dir/session.txt" ;;
    fuzz_cookies)
      printf 'env:AutoLoadPage=/home/user/game/title.cmml\r\nenv:sound=1\r\nother line\r\nenv:=empty\r\n' >"$dir/Cookies.ini" ;;
    fuzz_input_script)
      printf '# comment\n10 down Z\n14 up z\n20 down 7 # digit key\n21 up #55\n22 down 48\n30 move 100 80\n31 press left 100 80\n32 release right -5 9\n40 down F12\n41 up #160\n' >"$dir/keys.txt"
      printf '1 down\n' >"$dir/bad.txt"
      printf '5 down #9#x\r\n4 up A\n' >"$dir/back.txt" ;;
    fuzz_base64)
      base64 -w0 Kernel/resource.ruvelres >"$dir/list.b64"
      printf 'AAECAwQ=' >"$dir/short.b64" ;;
    fuzz_dap_framing)
      body='{"seq":1,"type":"request","command":"initialize","arguments":{"adapterID":"ruvel"}}'
      printf 'Content-Length: %d\r\n\r\n%s' ${#body} "$body" >"$dir/initialize"
      body='{"seq":2,"type":"request","command":"launch","arguments":{"project":"/nowhere","headless":true}}'
      printf 'Content-Length: %d\r\nContent-Type: x\r\n\r\n%sContent-Length: 2\r\n\r\n[]' ${#body} "$body" >"$dir/two"
      printf 'Content-Length: 5\r\n\r\n{bad}Hello\r\n\r\n' >"$dir/bad" ;;
    fuzz_map)
      numbered "$dir" < <(find examples tests -name '*.map')
      printf 'map 3 2 16 8\nsheet images/tiles.png\nsolid 1,2\nlayer back\n0,1,-1\n2,-1,3\nlayer front\n-1,-1,4\n5,5,5\n' >"$dir/layers.map"
      printf 'map 2 1 16 16\n1,x\n' >"$dir/bad.map" ;;
    fuzz_tiled_import)
      # The first byte chooses the format: even JSON, odd XML.
      { printf '\x00'
        printf '{"width":2,"height":1,"tilewidth":16,"tileheight":16,"infinite":false,"orientation":"orthogonal",'
        printf '"tilesets":[{"firstgid":1}],"layers":[{"type":"tilelayer","name":"a","width":2,"height":1,"data":[1,0]},'
        printf '{"type":"group","layers":[{"type":"tilelayer","name":"b","width":2,"height":1,"data":[2,2147483650]}]}]}'; } >"$dir/map.tmj"
      { printf '\x01<?xml version="1.0"?>\n<map orientation="orthogonal" width="2" height="1" tilewidth="16" tileheight="16" infinite="0">\n'
        printf ' <tileset firstgid="1"/>\n <layer name="a" width="2" height="1"><data encoding="csv">\n1,0\n</data></layer>\n'
        printf ' <group><layer name="b" width="2" height="1"><data encoding="base64">AQAAAA==</data></layer></group>\n</map>\n'; } >"$dir/map.tmx" ;;
    fuzz_regex)
      printf '/a(b+)c/i\nxxABBBc yy' >"$dir/match"
      printf 's/\\\\//g\na\\b\\c' >"$dir/subst"
      printf '/,\\s*/\none, two,three' >"$dir/split"
      printf 's/(\\w+)@(\\w+)/$2 at $1/g\nme@home you@work' >"$dir/groups" ;;
    fuzz_rankd_query)
      printf 'name=%%E3%%81%%82%%E3%%81%%84%%20%%E3%%81%%86%%26x&score=1200&board=easy&ID=1418642115' >"$dir/submit"
      printf 'name=a%%zz&&=&score=-0.5e3&ID=' >"$dir/bad" ;;
  esac
}

dict_of() {
  case $1 in
    fuzz_script_source|fuzz_compiler) echo "-dict=$root/tests/fuzz/script.dict" ;;
    fuzz_markup|fuzz_resource_tree) echo "-dict=$root/tests/fuzz/markup.dict" ;;
  esac
}

mkdir -p "$out/corpus" "$out/crashes" "$out/logs"
failed=0
passed=0
for name in "${targets[@]}"; do
  bin=$out/tests/fuzz/$name
  [ -x "$bin" ] || { echo "$name: not built"; failed=$((failed + 1)); continue; }
  seed "$name" || { failed=$((failed + 1)); continue; }
  mkdir -p "$out/corpus/$name"
  log=$out/logs/$name.log
  # Runs in its own folder: the targets write scratch files.
  set +e
  (cd "$out/logs" && RUVEL_SOURCE_DIR="$root" ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$bin" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 -max_len=65536 -print_final_stats=1 \
    $(dict_of "$name") -artifact_prefix="$out/crashes/$name-" "$out/corpus/$name" "$out/seeds/$name") >"$log" 2>&1
  code=$?
  set -e
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  units=$(ls "$out/corpus/$name" | wc -l)
  if [ $code = 0 ]; then
    passed=$((passed + 1))
    echo "$name: ${runs:-0} executions in ${seconds}s, corpus $units, no finding"
  else
    failed=$((failed + 1))
    echo "$name: FINDING after ${runs:-?} executions (exit $code); see $log"
    grep -m3 -E 'ERROR|runtime error|SUMMARY' "$log" | sed 's/^/    /'
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ $failed = 0 ]

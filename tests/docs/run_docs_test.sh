#!/usr/bin/env bash
# Checks that the documentation says what the program does.
#
# 1. Every code block in docs/*.md that follows a line "<!-- run -->" is
#    run with `ruvel --script` (as example.ruvel) and its standard output
#    must equal the ```text block after it; standard error must be empty
#    and the exit code 0. After "<!-- run exit=N -->" the exit code must
#    be N and the text block holds standard output followed by standard
#    error, with the folder of the script left out of file names.
# 2. Every code block that follows "<!-- file: PATH -->" must equal the
#    file PATH of the source tree byte for byte (the tutorial shows the
#    files of examples/tutorial).
# 3. After "<!-- design: REPLAY -->" the replay file (which names its
#    page and frame count like the example replays below) is played in
#    design mode on a copy of its project folder; the saved page must hold
#    every line of the code block that follows the marker.
# 4. Every example project examples/NAME with a replay.txt is played
#    headless with that input. replay.txt names the page ("# page: P"),
#    the number of frames ("# frames: N") and pixel facts of the last
#    frame ("# pixel: X Y R G B what it shows"). The run must exit with 0,
#    print nothing on standard error, and every pixel fact must hold.
# 5. A code block followed directly by a ```text block (an example with its
#    output) must carry one of the markers above, so that no output shown
#    in docs/ goes unchecked.
# Usage: run_docs_test.sh RUVEL_BINARY [SOURCE_DIR]
set -u
ruvel=${1:?usage: run_docs_test.sh RUVEL_BINARY [SOURCE_DIR]}
root=${2:-$(cd "$(dirname "$0")/../.." && pwd)}
ruvel=$(cd "$(dirname "$ruvel")" && pwd)/$(basename "$ruvel")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

fail() {
  failed=$((failed + 1))
  echo "FAIL $1"
}

# Splits a markdown file into numbered pieces in $work/blocks: for each
# checked code block a file N.kind ("run", "file"), N.arg, N.code and,
# for run blocks, N.expect.
extract() {
  rm -rf "$work/blocks"
  mkdir -p "$work/blocks"
  awk -v dir="$work/blocks" '
    function flush_to(path) { printf "%s", buf > path; close(path); buf = "" }
    /^<!-- run( exit=[0-9]+)? -->$/ && !inblock {
      n++; kind = "run"; arg = "plain"
      if (match($0, /exit=[0-9]+/)) arg = substr($0, RSTART + 5, RLENGTH - 5)
      print kind > (dir "/" n ".kind"); close(dir "/" n ".kind")
      print arg > (dir "/" n ".arg"); close(dir "/" n ".arg")
      print FNR > (dir "/" n ".line"); close(dir "/" n ".line")
      want = "code"; next
    }
    /^<!-- file: .* -->$/ && !inblock {
      n++; kind = "file"; arg = $0
      sub(/^<!-- file: /, "", arg); sub(/ -->$/, "", arg)
      print kind > (dir "/" n ".kind"); close(dir "/" n ".kind")
      print arg > (dir "/" n ".arg"); close(dir "/" n ".arg")
      print FNR > (dir "/" n ".line"); close(dir "/" n ".line")
      want = "code"; next
    }
    /^<!-- design: .* -->$/ && !inblock {
      n++; kind = "design"; arg = $0
      sub(/^<!-- design: /, "", arg); sub(/ -->$/, "", arg)
      print kind > (dir "/" n ".kind"); close(dir "/" n ".kind")
      print arg > (dir "/" n ".arg"); close(dir "/" n ".arg")
      print FNR > (dir "/" n ".line"); close(dir "/" n ".line")
      want = "code"; next
    }
    /^```/ {
      if (!inblock) {
        inblock = 1; buf = ""
        target = ""
        if (want == "code") { target = dir "/" n ".code"; want = (kind == "run") ? "expect" : "" }
        else if (want == "expect") { if ($0 == "```text") target = dir "/" n ".expect"; want = "" }
        next
      }
      inblock = 0
      if (target != "") flush_to(target)
      next
    }
    inblock { buf = buf $0 "\n"; next }
    want == "expect" && NF > 0 { want = "" }
  ' "$1"
}

# A design-mode replay on a copy of its project must save a page that
# holds every line of the block the doc quotes.
check_design() {
  local where=$1 replay=$2 block=$3 dir page frames
  dir=$(dirname "$replay")
  page=$(sed -n 's/^# page: *//p' "$replay" | head -1)
  frames=$(sed -n 's/^# frames: *//p' "$replay" | head -1)
  rm -rf "$work/design"
  cp -r "$dir" "$work/design"
  timeout 120 "$ruvel" --headless --fixed-clock --frames "$frames" --input "$replay" \
    --design "$work/design/$page" >"$work/out" 2>"$work/err" </dev/null
  local code=$? ok=1
  if [ "$code" != 0 ] || [ -s "$work/err" ]; then
    fail "$where: design replay exit code $code"
    sed 's/^/    stderr: /' "$work/err" | head -5
    return
  fi
  tr -d '\r' <"$work/design/$page" >"$work/saved"
  while IFS= read -r line; do
    [ -z "$line" ] && continue
    if ! grep -qxF -- "$line" "$work/saved"; then
      ok=0
      fail "$where: the saved page lacks: $line"
    fi
  done <"$block"
  [ $ok = 1 ] && passed=$((passed + 1))
}

# Prints "LINE" for each code block of a markdown file that is followed by
# a ```text block but carries no marker.
unmarked_outputs() {
  awk '
    /^```/ {
      if (!inblock) { inblock = 1; fence = $0; start = FNR; marked = (prev ~ /^<!-- (run|file|design)/); next }
      inblock = 0
      if (lastcode && fence == "```text" && !lastmarked) print laststart
      lastcode = (fence != "```text"); laststart = start; lastmarked = marked; prev = ""
      next
    }
    inblock { next }
    NF > 0 { lastcode = 0; prev = $0 }
  ' "$1"
}

for doc in "$root"/docs/*.md; do
  [ -e "$doc" ] || continue
  name=${doc#"$root"/}
  while read -r line; do
    fail "$name:$line: an example with its output but no <!-- run --> marker"
  done < <(unmarked_outputs "$doc")
  extract "$doc"
  for kindfile in "$work"/blocks/*.kind; do
    [ -e "$kindfile" ] || continue
    n=$(basename "$kindfile" .kind)
    kind=$(cat "$kindfile")
    arg=$(cat "$work/blocks/$n.arg")
    where="$name:$(cat "$work/blocks/$n.line")"
    if [ ! -e "$work/blocks/$n.code" ]; then
      fail "$where: marker without a code block"
      continue
    fi
    if [ "$kind" = design ]; then
      check_design "$where" "$root/$arg" "$work/blocks/$n.code"
      continue
    fi
    if [ "$kind" = file ]; then
      if [ ! -f "$root/$arg" ]; then
        fail "$where: $arg does not exist"
      elif cmp -s "$work/blocks/$n.code" "$root/$arg"; then
        passed=$((passed + 1))
      else
        fail "$where: the block differs from $arg"
        diff "$root/$arg" "$work/blocks/$n.code" | head -10 | sed 's/^/    /'
      fi
      continue
    fi
    if [ ! -e "$work/blocks/$n.expect" ]; then
      fail "$where: run block without a \`\`\`text block of its output"
      continue
    fi
    rm -rf "$work/run"
    mkdir -p "$work/run"
    cp "$work/blocks/$n.code" "$work/run/example.ruvel"
    (cd "$work/run" && timeout 60 "$ruvel" --script example.ruvel >out 2>err </dev/null)
    code=$?
    if [ "$arg" = plain ]; then
      arg=0
      cp "$work/run/out" "$work/run/got"
      if [ -s "$work/run/err" ]; then
        fail "$where: unexpected messages"
        sed 's/^/    stderr: /' "$work/run/err" | head -5
        continue
      fi
    else
      cat "$work/run/out" "$work/run/err" | sed "s|$work/run/||g" >"$work/run/got"
    fi
    if [ "$code" != "$arg" ]; then
      fail "$where: exit code $code (the doc says $arg)"
      sed 's/^/    /' "$work/run/got" | head -5
    elif ! cmp -s "$work/blocks/$n.expect" "$work/run/got"; then
      fail "$where: output differs from the doc"
      diff "$work/blocks/$n.expect" "$work/run/got" | head -10 | sed 's/^/    /'
    else
      passed=$((passed + 1))
    fi
  done
done

# Reads one pixel of a PNG picture as "R G B".
pixel() {
  pngtopnm "$1" | pamcut -left "$2" -top "$3" -width 1 -height 1 | pnmtoplainpnm | tail -1 | xargs
}

for replay in "$root"/examples/*/replay.txt; do
  [ -e "$replay" ] || continue
  dir=$(dirname "$replay")
  name=${dir#"$root"/}
  page=$(sed -n 's/^# page: *//p' "$replay" | head -1)
  frames=$(sed -n 's/^# frames: *//p' "$replay" | head -1)
  if [ -z "$page" ] || [ -z "$frames" ]; then
    fail "$name: replay.txt names no page or no frame count"
    continue
  fi
  shot=$work/$(basename "$dir").png
  timeout 120 "$ruvel" --headless --fixed-clock --frames "$frames" --input "$replay" \
    --screenshot "$shot" "$dir/$page" >"$work/out" 2>"$work/err" </dev/null
  code=$?
  if [ "$code" != 0 ]; then
    fail "$name: exit code $code"
    sed 's/^/    /' "$work/err" | head -5
    continue
  fi
  if [ -s "$work/err" ]; then
    fail "$name: messages while playing"
    sed 's/^/    stderr: /' "$work/err" | head -5
    continue
  fi
  facts=0
  ok=1
  while read -r x y r g b what; do
    facts=$((facts + 1))
    got=$(pixel "$shot" "$x" "$y")
    if [ "$got" != "$r $g $b" ]; then
      ok=0
      fail "$name: pixel ($x, $y) is $got, not $r $g $b ($what)"
    fi
  done < <(sed -n 's/^# pixel: *//p' "$replay")
  if [ "$facts" = 0 ]; then
    fail "$name: replay.txt states no pixel fact"
  elif [ $ok = 1 ]; then
    passed=$((passed + 1))
  fi
done

echo "docs: $passed passed, $failed failed"
[ $failed = 0 ]

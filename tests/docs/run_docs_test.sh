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
# 6. docs/tutorial.md is followed as written, in a fresh home folder with
#    `ruvel` on the PATH. In the order of the text, "<!-- shell -->" blocks
#    run in bash (the folder a block ends in is where the next step runs),
#    "<!-- save: PATH -->" and "<!-- file: examples/tutorial/PATH -->"
#    blocks are written to PATH, and the `ruvel ...` command of a
#    "<!-- play: N -->" block runs headless for N frames. Each must exit
#    with 0 and print nothing on standard error; "<!-- pixel: X Y R G B -->"
#    lines after a play or shell marker are facts of the play's screenshot
#    or of the picture the shell block's --screenshot names. At the end
#    the game's folder must hold the files of examples/tutorial (all but
#    its README.md) byte for byte, and no other classes.
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

# Splits the tutorial into its steps in $work/steps: N.kind (shell, play,
# save), N.arg (frames or path), N.line, N.code and N.pixels.
tutorial_steps() {
  rm -rf "$work/steps"
  mkdir -p "$work/steps"
  awk -v dir="$work/steps" '
    function start(kind, arg) {
      n++
      print kind > (dir "/" n ".kind"); close(dir "/" n ".kind")
      print arg > (dir "/" n ".arg"); close(dir "/" n ".arg")
      print FNR > (dir "/" n ".line"); close(dir "/" n ".line")
      printf "" > (dir "/" n ".pixels"); close(dir "/" n ".pixels")
      want = 1
    }
    /^<!-- shell -->$/ && !inblock { start("shell", ""); next }
    /^<!-- play: [0-9]+ -->$/ && !inblock { start("play", $3); next }
    /^<!-- save: .* -->$/ && !inblock { a = $0; sub(/^<!-- save: /, "", a); sub(/ -->$/, "", a); start("save", a); next }
    /^<!-- file: examples\/tutorial\/.* -->$/ && !inblock {
      a = $0; sub(/^<!-- file: examples\/tutorial\//, "", a); sub(/ -->$/, "", a); start("save", a); next
    }
    /^<!-- pixel: .* -->$/ && want && !inblock {
      a = $0; sub(/^<!-- pixel: /, "", a); sub(/ -->$/, "", a)
      print a >> (dir "/" n ".pixels"); close(dir "/" n ".pixels"); next
    }
    /^```/ {
      if (!inblock) { inblock = 1; buf = ""; target = want ? dir "/" n ".code" : ""; want = 0; next }
      inblock = 0
      if (target != "") { printf "%s", buf > target; close(target) }
      next
    }
    inblock { buf = buf $0 "\n" }
  ' "$1"
}

# Checks the facts "X Y R G B what" of file $3 against the picture $2.
check_pixels() {
  local where=$1 shot=$2 facts=$3 ok=0 x y r g b what got
  while read -r x y r g b what; do
    got=$(pixel "$shot" "$x" "$y")
    if [ "$got" != "$r $g $b" ]; then
      ok=1
      fail "$where: pixel ($x, $y) is $got, not $r $g $b ($what)"
    fi
  done <"$facts"
  return $ok
}

follow_tutorial() {
  local home=$work/home bin=$work/bin cwd n kind arg where code shot
  mkdir -p "$home" "$bin"
  ln -sf "$ruvel" "$bin/ruvel"
  cwd=$home
  tutorial_steps "$root/docs/tutorial.md"
  for n in $(ls "$work/steps" | sed -n 's/\.kind$//p' | sort -n); do
    kind=$(cat "$work/steps/$n.kind")
    arg=$(cat "$work/steps/$n.arg")
    where="docs/tutorial.md:$(cat "$work/steps/$n.line")"
    if [ ! -e "$work/steps/$n.code" ]; then
      fail "$where: marker without a code block"
      return
    fi
    shot=""
    case $kind in
      save)
        mkdir -p "$(dirname "$cwd/$arg")"
        cp "$work/steps/$n.code" "$cwd/$arg"
        continue
        ;;
      shell)
        printf 'set -e\ncd "%s"\n. "%s"\npwd >"%s"\n' "$cwd" "$work/steps/$n.code" "$work/cwd" >"$work/step.sh"
        HOME=$home PATH="$bin:$PATH" timeout 120 bash "$work/step.sh" >"$work/out" 2>"$work/err" </dev/null
        code=$?
        [ $code = 0 ] && cwd=$(cat "$work/cwd")
        shot=$(sed -n 's/.*--screenshot \([^ ]*\).*/\1/p' "$work/steps/$n.code" | head -1)
        [ -n "$shot" ] && shot=$cwd/$shot
        ;;
      play)
        shot=$work/play.png
        rm -f "$shot"
        (cd "$cwd" && HOME=$home PATH="$bin:$PATH" timeout 120 bash -c \
          "$(grep -m1 '^ruvel ' "$work/steps/$n.code") --headless --fixed-clock --frames $arg --screenshot $shot" \
          >"$work/out" 2>"$work/err" </dev/null)
        code=$?
        ;;
    esac
    if [ $code != 0 ] || [ -s "$work/err" ]; then
      fail "$where: exit code $code"
      sed 's/^/    /' "$work/err" | head -5
      return
    fi
    if [ -s "$work/steps/$n.pixels" ]; then
      check_pixels "$where" "$shot" "$work/steps/$n.pixels" || return
    elif [ "$kind" = play ]; then
      fail "$where: a play step states no pixel fact"
    fi
    passed=$((passed + 1))
  done
  # The game's folder ends as examples/tutorial.
  local game=$home/applecatch f
  for f in $(cd "$root/examples/tutorial" && find . -type f ! -name README.md | sort); do
    if ! cmp -s "$root/examples/tutorial/$f" "$game/$f"; then
      fail "docs/tutorial.md: the game's $f differs from examples/tutorial"
    fi
  done
  if [ "$(cd "$game/classes" && ls)" != "$(cd "$root/examples/tutorial/classes" && ls)" ]; then
    fail "docs/tutorial.md: the game's classes are not those of examples/tutorial"
  fi
}

follow_tutorial

echo "docs: $passed passed, $failed failed"
[ $failed = 0 ]

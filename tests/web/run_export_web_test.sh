#!/usr/bin/env bash
# The desktop half of `ruvel --export-web`, through the real program: what
# the page folder holds, what game.pack carries, and that the packed game,
# unpacked with the pack's file times as the page does, runs without
# compiling a class and draws what the source tree draws. The browser half
# (the .wasm playing it) is scripts/test-web.sh.
# Usage: run_export_web_test.sh RUVEL SOURCE_DIR
set -u
ruvel=${1:?usage: run_export_web_test.sh RUVEL SOURCE_DIR}
src=${2:?}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# A program directory of its own. Its web/ folder holds stand-ins for the
# browser build: here only their copying is checked.
prog=$work/prog
mkdir -p "$prog"
cp "$ruvel" "$prog/ruvel"
for item in Kernel Usr tones.wdt; do ln -s "$src/$item" "$prog/$item"; done

# Without the browser build the export is refused and says how to make it.
if "$prog/ruvel" --export-web "$work/none" >"$work/out" 2>"$work/err"; then fail "export without a browser build succeeded"; fi
grep -q "scripts/build-web.sh" "$work/err" || fail "no hint at build-web.sh: $(cat "$work/err")"

mkdir -p "$prog/web"
printf 'js stand-in' >"$prog/web/ruvel.js"
printf 'wasm stand-in' >"$prog/web/ruvel.wasm"
# A folder inside the project would be copied into itself.
cp -r "$src/Usr" "$work/proj"
if "$prog/ruvel" --export-web "$work/proj/site" "$work/proj" >/dev/null 2>"$work/err"; then fail "exported into its own project"; fi
grep -q "inside the project" "$work/err" || fail "no reason for refusing the folder inside the project: $(cat "$work/err")"
[ -e "$work/proj/site/.stage" ] && fail "the refused export left files behind"
mkdir -p "$work/busy" && touch "$work/busy/x"
if "$prog/ruvel" --export-web "$work/busy" >/dev/null 2>&1; then fail "a folder that is not empty was written into"; fi

# Without PROJECT the export takes the project --project names. It packs
# what export_files lists, never notes or replays nothing names.
printf 'only in this project\n' >"$work/proj/marker.txt"
printf 'a design note\n' >"$work/proj/notes.txt"
printf '20 down Z\n' >"$work/proj/replay.txt"
mkdir -p "$work/proj/captures" && printf 'shot' >"$work/proj/captures/shot.png"
sed -i 's|\(<param name="mainPage"[^>]*>\)|\1\n  <param name="export_files" value="marker.txt"/>|' "$work/proj/default.ruvelprj"
if "$prog/ruvel" --project "$work/proj" --export-web "$work/named" >"$work/out" 2>"$work/err"; then
  grep -q "only in this project" "$work/named/game.pack" || fail "--project did not name the exported project, or export_files was not packed"
  grep -q "game/Usr/marker.txt" "$work/named/packed-files.txt" || fail "packed-files.txt lacks marker.txt"
  grep -q "/game/Usr/marker.txt" "$work/out" || fail "the export did not print what it packed: $(cat "$work/out")"
  for f in notes.txt replay.txt captures/shot.png; do
    grep -q "Usr/$f" "$work/named/game.pack" && fail "$f was packed"
  done
else
  fail "export of the --project folder failed: $(cat "$work/err")"
fi

site=$work/site
if ! "$prog/ruvel" --export-web "$site" >"$work/out" 2>"$work/err"; then
  fail "export failed: $(cat "$work/err")"
  exit 1
fi
grep -q "$site" "$work/out" || fail "the export does not name its folder: $(cat "$work/out")"
for f in index.html ruvel.js ruvel.wasm game.pack IPA_Font_License.txt packed-files.txt; do
  [ -s "$site/$f" ] || fail "$f missing"
done
[ "$(ls -A "$site" | wc -l)" = 6 ] || fail "unexpected files: $(ls -A "$site")"
grep -q "only in this project" "$site/game.pack" && fail "the program's own export took the --project folder of an earlier run"
cmp -s "$site/ruvel.wasm" "$prog/web/ruvel.wasm" || fail "ruvel.wasm not copied"
grep -q "IPA Font License" "$site/IPA_Font_License.txt" || fail "the font licence is not the IPA licence"
for needle in 'id="start"' 'requestFullscreen' 'image-rendering: pixelated' 'ruvel.js' 'game.pack' 'IDBFS'; do
  grep -q "$needle" "$site/index.html" || fail "index.html lacks $needle"
done

# Unpacks game.pack as the page does: "RVPK", then per file a name length,
# the name, the time in seconds, the size and the bytes (little-endian).
u32() { od -An -tu4 -j "$1" -N4 "$site/game.pack" | tr -d ' '; }
pack=$site/game.pack
total=$(stat -c %s "$pack")
[ "$(head -c 4 "$pack")" = RVPK ] || fail "game.pack does not start with RVPK"
root=$work/fs
pos=4
count=0
while [ "$pos" -lt "$total" ]; do
  n=$(u32 "$pos")
  name=$(tail -c +$((pos + 5)) "$pack" | head -c "$n")
  pos=$((pos + 4 + n))
  when=$(u32 "$pos")
  size=$(u32 $((pos + 4)))
  pos=$((pos + 8))
  mkdir -p "$(dirname "$root/$name")"
  tail -c +$((pos + 1)) "$pack" | head -c "$size" >"$root/$name"
  touch -d "@$when" "$root/$name"
  pos=$((pos + size))
  count=$((count + 1))
done
[ "$pos" = "$total" ] || fail "game.pack ends inside a file"
echo "game.pack: $count files"
for f in game/Usr/default.ruvelprj game/Usr/title.cmml game/Usr/classes/TitleScreen.ruvel game/tones.wdt fonts/ipag.ttf; do
  [ -s "$root/$f" ] || fail "game.pack lacks $f"
done
[ -e "$root/game/Kernel/Cookies.ini" ] && fail "the developer's cookies were packed"
[ -s "$root/game/exported-game.txt" ] || fail "the packed game is not marked as an exported game"
# Every project file the pack carries is in the list, and only those.
diff <(cd "$root" && find game/Usr -type f | sed 's|^|/|' | sort) <(sort "$site/packed-files.txt") >"$work/listdiff" ||
  fail "packed-files.txt differs from the pack: $(head -5 "$work/listdiff")"
ls "$root/game/Temp" | grep -q "TitleScreen" || fail "the project's classes were not compiled into the pack"
ls "$root/game/Temp" | grep -qi "kernel" || fail "the kernel's classes were not compiled into the pack"
[ "$(head -c 4 "$root/fonts/ipag.ttf" | od -An -tx1 | tr -d ' ')" = 00010000 ] || fail "the packed font is not a TrueType file"

# The unpacked game loads every class from its class file and plays as the
# source tree does.
printf '20 down Z\n24 up Z\n' >"$work/replay.txt"
"$ruvel" --home "$root/game" --headless --fixed-clock --frames 60 --input "$work/replay.txt" --log \
  --screenshot "$work/packed.png" 2>"$work/log" || fail "the unpacked game did not run: $(tail -3 "$work/log")"
# A class compiled again would have its class file written anew (the page
# scripts that each run generates into Temp are compiled anew, as always).
find "$root/game/Temp" -name '_116c*' ! -name '_116cTemp*' -newer "$root/game/Usr/default.ruvelprj" >"$work/compiled"
[ -s "$work/compiled" ] && fail "classes were compiled again: $(head -3 "$work/compiled")"
grep -q "not a valid Class File" "$work/log" && fail "a packed class file was refused"
# The source tree marked as an exported game, which has no status bar.
cp "$root/game/exported-game.txt" "$prog/"
"$ruvel" --home "$prog" --headless --fixed-clock --frames 60 --input "$work/replay.txt" --screenshot "$work/tree.png" 2>/dev/null
cmp -s "$work/packed.png" "$work/tree.png" || fail "the unpacked game draws another picture than the source tree"

[ "$failed" = 0 ] && echo "export_web: passed"
exit "$failed"

#!/usr/bin/env bash
# test-web.sh: the game in a browser, end to end. Builds the browser program
# (scripts/setup-web.sh must have run), exports the bundled game with
# `ruvel --export-web`, serves it on 127.0.0.1 and plays it in headless
# Chromium:
#  - the play page against the desktop's headless screenshot of the same
#    frame (fixed clock, the same Z press replayed), once with the keyboard
#    and once with a gamepad whose stick is held left;
#  - a file written is kept across a reload;
#  - the probe project (tests/web/probe): the dialogs, files kept and
#    deleted across reloads, the ranking opener and a module that cannot
#    load, each with its usual message;
#  - the page before the click at window sizes from a phone held upright
#    (360x640) to 1920x1080: the start button whole and centred
#    (screenshots), then the game scaled by whole numbers, sharp;
#  - start time, size and frame rate of a real-time run (reported).
# Every wait is for a condition, with a generous limit.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
desktop=${RUVEL_DESKTOP_BUILD:-build}
frames=120
export NODE_PATH=/usr/share/nodejs

say() { echo "test-web: $*"; }
die() { echo "test-web: FAILED: $*" >&2; exit 1; }

scripts/build-web.sh >/dev/null
cmake --build "$desktop" --target ruvel hello >/dev/null

work=$(mktemp -d)
server=""
browser=""
cleanup() {
  [ -n "$browser" ] && kill "$browser" 2>/dev/null || true
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  wait 2>/dev/null || true
  # Chromium's helpers may still be writing its profile for a moment.
  for _ in $(seq 20); do rm -rf "$work" 2>/dev/null && break; sleep 0.5; done
}
trap cleanup EXIT

# wait_for SECONDS WHAT COMMAND...: runs COMMAND every 0.1 s until it succeeds.
wait_for() {
  local limit=$1 what=$2; shift 2
  local end=$((SECONDS + limit))
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || die "$what did not happen within $limit s"
    sleep 0.1
  done
}

"$desktop/ruvel" --export-web "$work/www/site" >/dev/null
size=$(du -sb "$work/www/site" | cut -f1)
# The desktop's picture comes from the same game exported for the desktop
# (an exported game: no status bar).
"$desktop/ruvel" --export "$desktop/Usr" "$work/native" >/dev/null
# The title page, Z pressed at frame 20: the play page at frame $frames.
printf '# the title page: Z starts the game\n20 down Z\n24 up Z\n' >"$work/www/site/replay.txt"
"$work/native/start.sh" --headless --fixed-clock --frames "$frames" --input "$work/www/site/replay.txt" --screenshot "$work/desktop.png"
# The same with the left arrow held from the start, as the gamepad will be.
printf '1 down LEFT\n20 down Z\n24 up Z\n' >"$work/left.txt"
"$work/native/start.sh" --headless --fixed-clock --frames "$frames" --input "$work/left.txt" --screenshot "$work/desktop-left.png"

# The probe runs on a kernel with a module, as a game that needs one would.
prog=$work/prog
mkdir -p "$prog/Kernel/modules/hello"
for entry in "$desktop"/Kernel/*; do
  [ "$(basename "$entry")" = modules ] || ln -s "$(cd "$(dirname "$entry")" && pwd)/$(basename "$entry")" "$prog/Kernel/"
done
cp tests/modules/hello/hello.ruvelres tests/modules/hello/Greeter.ruvel "$prog/Kernel/modules/hello/"
cp "$desktop/tests/libhello.so" "$prog/Kernel/modules/hello/"
cp -r tests/web/probe "$work/probe-src"
"$desktop/ruvel" --home "$prog" --export-web "$work/www/probe" "$work/probe-src" >/dev/null

python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$work/www" >"$work/server.log" 2>&1 &
server=$!
wait_for 60 "the web server's start" grep -q "port [0-9]" "$work/server.log"
port=$(sed -n 's/.*port \([0-9]*\).*/\1/p' "$work/server.log" | head -n1)

chromium --headless=new --no-sandbox --use-angle=swiftshader --enable-unsafe-swiftshader --mute-audio \
  --no-first-run --disable-gpu-sandbox --remote-debugging-port=0 --user-data-dir="$work/profile" \
  about:blank >"$work/chromium.log" 2>&1 &
browser=$!
wait_for 60 "chromium's start" test -s "$work/profile/DevToolsActivePort"
export CHROME_PORT
CHROME_PORT=$(head -n1 "$work/profile/DevToolsActivePort")
wait_for 60 "chromium's DevTools" node -e 'require("http").get({host: "127.0.0.1", port: process.env.CHROME_PORT, path: "/json/list"}, () => process.exit(0)).on("error", () => process.exit(1))'

site="http://127.0.0.1:$port/site/index.html"
fixed="$site?fixed-clock&frames=$frames&input=replay.txt"
failed=()
compare=$(node tests/web/drive_page.js compare "$fixed" "$work/web.png") || die "the fixed-clock run: $compare"
diff=$(node tests/web/compare_png.js "$work/desktop.png" "$work/web.png") || failed+=("the browser's play page differs from the desktop's ($diff)")
node tests/web/drive_page.js compare "$fixed" "$work/web-pad.png" pad-left >/dev/null || die "the gamepad run"
paddiff=$(node tests/web/compare_png.js "$work/desktop-left.png" "$work/web-pad.png") \
  || failed+=("the gamepad did not move the player as the left arrow does ($paddiff)")
# The comparison must be able to tell: the player held left is not where
# the untouched player is.
if node tests/web/compare_png.js "$work/desktop.png" "$work/web-pad.png" >/dev/null; then
  failed+=("the gamepad left the player where it was")
fi
layout=$(node tests/web/drive_page.js layout "$site" "$work/layout") || failed+=("the page's layout: $layout")
if [ -n "${RUVEL_WEB_SHOTS:-}" ]; then cp "$work"/desktop*.png "$work"/web*.png "$work"/layout/*.png "$RUVEL_WEB_SHOTS/"; fi
persist=$(node tests/web/drive_page.js persist "$site") || failed+=("browser storage: $persist")
probe=$(node tests/web/drive_page.js probe "http://127.0.0.1:$port/probe/index.html?log" 2>&1) || failed+=("the probe: $probe")
measure=$(node tests/web/drive_page.js measure "$site") || failed+=("the real-time run: $measure")

say "machine load: $(cut -d" " -f1-3 /proc/loadavg) (1, 5, 15 min)"
say "size_bytes=$size"
say "fixed-clock run: $compare"
say "screenshot against the desktop: $diff"
say "gamepad against the left arrow: $paddiff"
say "layout: $layout"
say "browser storage: $persist"
say "probe: $probe"
say "real-time run: $measure"
[ "$size" -lt 15000000 ] || failed+=("the exported page is $size bytes (limit 15 MB)")
if [ ${#failed[@]} -gt 0 ]; then
  for f in "${failed[@]}"; do echo "test-web: FAILED: $f" >&2; done
  exit 1
fi
say "passed"

#!/usr/bin/env bash
# test-web.sh: the game in a browser, end to end. Builds the browser program
# (scripts/setup-web.sh must have run), exports the bundled game with
# `ruvel --export-web`, serves it on 127.0.0.1, plays it in headless
# Chromium and compares the play page with the desktop's headless
# screenshot of the same frame (fixed clock, the same Z press replayed).
# Then measures start time, size and frame rate of a real-time run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
desktop=${RUVEL_DESKTOP_BUILD:-build}
frames=120
export NODE_PATH=/usr/share/nodejs

cmake --build "$desktop" --target ruvel >/dev/null
scripts/build-web.sh >/dev/null

work=$(mktemp -d)
server=""
browser=""
cleanup() {
  [ -n "$browser" ] && kill "$browser" 2>/dev/null || true
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  wait 2>/dev/null || true
  # Chromium's helpers may still be writing its profile for a moment.
  for _ in 1 2 3 4 5; do rm -rf "$work" 2>/dev/null && break; sleep 0.5; done
}
trap cleanup EXIT

"$desktop/ruvel" --export-web "$work/site" >/dev/null
size=$(du -sb "$work/site" | cut -f1)
# The title page, Z pressed at frame 20: the play page at frame $frames.
printf '# the title page: Z starts the game\n20 down Z\n24 up Z\n' >"$work/site/replay.txt"
"$desktop/ruvel" --headless --fixed-clock --frames "$frames" --input "$work/site/replay.txt" --screenshot "$work/desktop.png"

python3 -m http.server 0 --bind 127.0.0.1 --directory "$work/site" >"$work/server.log" 2>&1 &
server=$!
for _ in $(seq 100); do grep -q "port" "$work/server.log" 2>/dev/null && break; sleep 0.1; done
port=$(sed -n 's/.*port \([0-9]*\).*/\1/p' "$work/server.log" | head -n1)
[ -n "$port" ] || { echo "test-web: the web server did not start" >&2; exit 1; }

chromium --headless=new --no-sandbox --use-angle=swiftshader --enable-unsafe-swiftshader --mute-audio \
  --no-first-run --disable-gpu-sandbox --remote-debugging-port=0 --user-data-dir="$work/profile" \
  about:blank >"$work/chromium.log" 2>&1 &
browser=$!
for _ in $(seq 200); do [ -s "$work/profile/DevToolsActivePort" ] && break; sleep 0.1; done
export CHROME_PORT
CHROME_PORT=$(head -n1 "$work/profile/DevToolsActivePort" 2>/dev/null || true)
[ -n "$CHROME_PORT" ] || { echo "test-web: chromium did not start" >&2; cat "$work/chromium.log" >&2; exit 1; }

site="http://127.0.0.1:$port/index.html"
compare=$(node tests/web/drive_page.js compare "$site?fixed-clock&frames=$frames&input=replay.txt" "$work/web.png")
verdict=0
diff=$(node tests/web/compare_png.js "$work/desktop.png" "$work/web.png") || verdict=1
if [ -n "${RUVEL_WEB_SHOTS:-}" ]; then cp "$work/desktop.png" "$work/web.png" "$RUVEL_WEB_SHOTS/"; fi
measure=$(node tests/web/drive_page.js measure "$site")
persist=$(node tests/web/drive_page.js persist "$site") || verdict=2

echo "test-web: size_bytes=$size"
echo "test-web: fixed-clock run: $compare"
echo "test-web: screenshot against the desktop: $diff"
echo "test-web: real-time run: $measure"
echo "test-web: browser storage: $persist"
if [ "$verdict" = 2 ]; then
  echo "test-web: FAILED: a written file did not survive a reload" >&2
  exit 1
fi
if [ "$verdict" != 0 ]; then
  echo "test-web: FAILED: the browser's play page differs from the desktop's" >&2
  exit 1
fi
if [ "$size" -ge 15000000 ]; then
  echo "test-web: FAILED: the exported page is $size bytes (limit 15 MB)" >&2
  exit 1
fi
echo "test-web: passed"

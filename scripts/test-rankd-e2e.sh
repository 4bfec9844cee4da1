#!/usr/bin/env bash
# test-rankd-e2e.sh [BUILD_DIR]: a score from a game to the board, end to
# end. A headless page sets a name with "&", spaces and Japanese and a
# score and opens the ranking page; the address the program writes is
# fetched from a local ruvel-rankd on SQLite; top.json and the board as
# headless Chromium shows it must hold the name intact, and the same
# address with a changed score must be refused with 403. The board's
# picture is kept as BUILD_DIR/rankd-board.png.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
ruvel=$PWD/$build/ruvel
rankd=$PWD/$build/ruvel-rankd
work=$(mktemp -d /tmp/rankd-e2e.XXXXXX)
server=""
cleanup() {
  [ -z "$server" ] || kill "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "test-rankd-e2e: $*" >&2; exit 1; }
command -v chromium >/dev/null || fail "chromium is not installed (scripts/setup-web.sh)"

# The game: one page whose object sends the score once and then idles.
game=$work/game
mkdir -p "$game/classes"
cat >"$game/default.ruvelprj" <<'PRJ'
<resourcelist name="project">
 <resourcelist name="pages">
  <page name="$page_main" src="main.cmml"/>
 </resourcelist>
 <resourcelist name="params">
  <param name="mainPage" value="$page_main"/>
 </resourcelist>
</resourcelist>
PRJ
cat >"$game/main.cmml" <<'PAGE'
<resourcelist name="usr">
 <resourcelist name="classes">
  <class name="Sender" src="classes/Sender.ruvel">
 </resourcelist>
 <resourcelist name="gen">
  <generator className="Sender" name="$sender" inst_x="0" inst_y="0">
 </resourcelist>
</resourcelist>
PAGE
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
name='あい う&x'
# Script sources are CP932.
iconv -f UTF-8 -t CP932 >"$game/classes/Sender.ruvel" <<SRC
extends classes.game.Char;
function main() {
  var r;
  r = new Ranking();
  r.setParam("name", "$name");
  r.setParam("score", 4321);
  r.openBrowser("http://127.0.0.1:$port/g/e2e/submit");
  while (1) suspend();
}
SRC

"$rankd" game add e2e --project "$game" --db "sqlite:$work/ranks.db" >/dev/null
"$rankd" serve --db "sqlite:$work/ranks.db" --listen "127.0.0.1:$port" 2>"$work/server.log" &
server=$!
for _ in $(seq 50); do
  curl -sf "http://127.0.0.1:$port/healthz" >/dev/null 2>&1 && break
  sleep 0.1
done

"$ruvel" --project "$game" --headless --fixed-clock --frames 5 2>"$work/game.log" || fail "the game did not run: $(cat "$work/game.log")"
url=$(grep -m1 "^http://127.0.0.1:$port/g/e2e/submit?" "$work/game.log") || fail "no address on stderr: $(cat "$work/game.log")"
echo "test-rankd-e2e: the game opened $url"

code=$(curl -s -o "$work/submit.html" -w '%{http_code}' "$url")
[ "$code" = 200 ] || fail "the submission got $code"
python3 - "$port" "$name" <<'PY' || exit 1
import json, sys, urllib.request
port, name = sys.argv[1], sys.argv[2]
top = json.load(urllib.request.urlopen(f"http://127.0.0.1:{port}/g/e2e/top.json"))
entries = top["entries"]
if len(entries) != 1 or entries[0]["name"] != name or entries[0]["score"] != 4321 or entries[0]["rank"] != 1:
    sys.exit(f"test-rankd-e2e: top.json is {top}")
PY

# The board as a browser shows it: the parsed page holds the name, and its picture is kept.
board="http://127.0.0.1:$port/g/e2e/"
chromium --headless --no-sandbox --disable-gpu --dump-dom "$board" 2>/dev/null >"$work/board.dom"
python3 - "$work/board.dom" "$name" <<'PY' || exit 1
import html, sys
dom, name = open(sys.argv[1], encoding="utf-8").read(), sys.argv[2]
if html.escape(name, quote=False) not in dom or "4321" not in dom:
    sys.exit("test-rankd-e2e: the board in the browser lacks the entry")
PY
chromium --headless --no-sandbox --disable-gpu --window-size=800,400 --screenshot="$PWD/$build/rankd-board.png" "$board" \
  >/dev/null 2>&1 || fail "no picture of the board"

# The same address with another score: the ID no longer fits.
tampered=${url/score=4321/score=9999}
code=$(curl -s -o /dev/null -w '%{http_code}' "$tampered")
[ "$code" = 403 ] || fail "a changed score got $code"
kill -TERM "$server"
wait "$server" || fail "the server did not stop cleanly"
server=""
echo "test-rankd-e2e: passed (board picture: $build/rankd-board.png)"

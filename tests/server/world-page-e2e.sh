#!/usr/bin/env bash
# End to end: the real game (tumbletown-driver, sending for real) finishes a
# Fourfall and a Color Fourfall game, types a name with bytes above 127 and
# one with < > & " ', and sends both to a tumbletown-scores on loopback; the
# world page, opened in headless Chromium at the address the World button
# opens, shows both names as text.
#   world-page-e2e.sh SERVER DRIVER DATA_FOLDER sqlite|postgresql OUT_FOLDER [POSTGRES_TEMPLATE]
# The page's screenshot is left in OUT_FOLDER/world-page-<backend>.png.
set -euo pipefail
server=$1 driver=$2 data=$3 backend=$4 out=$5 template=${6:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/tt-world-page.XXXXXX)
server_pid=
cleanup() {
  [[ -n "$server_pid" ]] && kill "$server_pid" 2> /dev/null && wait "$server_pid" 2> /dev/null || true
  [[ -f "$work/pg.state" ]] && "$here/postgres.sh" stop "$work/pg.state"
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; echo "--- server log" >&2; cat "$work/server.log" >&2 || true; exit 1; }
chromium=$(command -v chromium || true)
[[ -n "$chromium" ]] || fail "no chromium (apt-get install chromium)"

case $backend in
  sqlite) database=$work/scores.db ;;
  postgresql) database=$("$here/postgres.sh" start "$work/pg.state" $template) ;;
  *) fail "unknown backend $backend" ;;
esac
"$server" --listen 127.0.0.1:0 --database "$database" 2> "$work/server.log" &
server_pid=$!
for _ in $(seq 100); do
  grep -q "listening on" "$work/server.log" && break
  sleep 0.1
done
port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\),.*/\1/p' "$work/server.log")
[[ -n "$port" ]] || fail "the server did not come up"

# The names as a player types them (the driver turns UTF-8 into the game's code page).
high='Zoë Ærøskøbing €5'
markup="<b>\"Tom\" & 'Jerry'</b>"
play() { # game button y, name, screenshot
  {
    echo "click 402 159"
    echo "click 402 $1"
    for _ in $(seq 120); do echo "key Down"; echo "advance 1000"; done
    for _ in $(seq 60); do echo "key Backspace"; done # whatever name is offered
    echo "type $2"
    echo "answer yes"
    echo "key Enter"
    echo "click 429 509"
  } > "$work/script"
  TUMBLETOWN_SCORE_SERVER=localhost:$port "$driver" "$data" "$work/store" "$work/script" --send > "$work/driver.out"
  grep -q '^reply "HTTP/1.1 200 OK' "$work/driver.out" || { cat "$work/driver.out" >&2; fail "the game's result was not stored"; }
  sed -n 's/^open "\(.*\)"$/\1/p' "$work/driver.out"
}
mkdir -p "$work/store"
url_fourfall=$(play 213 "$high")
url_colour=$(play 347 "$markup")
[[ "$url_fourfall" == "http://localhost:$port/cgi/version.pl?prg=Tumbltwn&show&type=0" ]] || fail "World button opened $url_fourfall"
[[ "$url_colour" == "http://localhost:$port/cgi/version.pl?prg=Tumbltwn&show&type=2" ]] || fail "World button opened $url_colour"

browse() { # url, then chromium's own options
  local url=$1
  shift
  timeout 60 "$chromium" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$(mktemp -d "$work/profile.XXXXXX")" "$@" "$url" 2> "$work/chromium.log"
}
for url in "$url_fourfall" "$url_colour"; do
  browse "$url" --dump-dom > "$work/dom.html" || fail "chromium could not open $url"
  # The document as the browser built it: the names are text, so the only
  # markup is the page's own (no element from a name, no script ran).
  if grep -qiE '<script|<img|<b>|onerror' "$work/dom.html"; then fail "markup from a name in $url"; fi
  case $url in
    *type=0) grep -qF "<span>$high</span>" "$work/dom.html" || fail "the name with bytes above 127 is not on $url" ;;
    *type=2) grep -qF "<span>&lt;b&gt;\"Tom\" &amp; 'Jerry'&lt;/b&gt;</span>" "$work/dom.html" ||
               fail "the name with markup characters is not on $url as text" ;;
  esac
  grep -qF 'class="selected" aria-current="page"' "$work/dom.html" || fail "no selected tab on $url"
done
mkdir -p "$out"
browse "$url_colour" --window-size=800,700 --hide-scrollbars --screenshot="$out/world-page-$backend.png" ||
  fail "no screenshot"
[[ -s "$out/world-page-$backend.png" ]] || fail "empty screenshot"
echo ok

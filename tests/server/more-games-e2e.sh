#!/usr/bin/env bash
# End to end for the five game types of the More Games page: the real game
# (tumbletown-driver, sending for real) plays each to the end, names the
# result and sends it to a tumbletown-scores on loopback; each arrives under
# its own online type (4 to 8), and the world page the World button opens
# for it, in headless Chromium, shows that name under that type's tab alone.
#   more-games-e2e.sh SERVER DRIVER DATA_FOLDER OUT_FOLDER
# The pages' screenshots are left in OUT_FOLDER/world-page-type-<N>.png.
set -euo pipefail
server=$1 driver=$2 data=$3 out=$4
work=$(mktemp -d /tmp/tt-more-games.XXXXXX)
server_pid=
cleanup() {
  [[ -n "$server_pid" ]] && kill "$server_pid" 2> /dev/null && wait "$server_pid" 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; echo "--- server log" >&2; cat "$work/server.log" >&2 || true; exit 1; }
chromium=$(command -v chromium || true)
[[ -n "$chromium" ]] || fail "no chromium (apt-get install chromium)"

"$server" --listen 127.0.0.1:0 --database "$work/scores.db" 2> "$work/server.log" &
server_pid=$!
for _ in $(seq 100); do
  grep -q "listening on" "$work/server.log" && break
  sleep 0.1
done
port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\),.*/\1/p' "$work/server.log")
[[ -n "$port" ]] || fail "the server did not come up"

browse() { # url, then chromium's own options
  local url=$1
  shift
  timeout 60 "$chromium" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$(mktemp -d "$work/profile.XXXXXX")" "$@" "$url" 2> "$work/chromium.log"
}

# Button centres of the More Games page, in its order, with the online type
# each game is sent under and the name typed for it.
buttons=(191 253 315 377 439)
types=(4 5 6 7 8)
names=(KidsFour KidsFive CrazyFive GrandFour GrandFive)
mkdir -p "$work/store" "$out"
urls=()
for i in 0 1 2 3 4; do
  {
    echo "click 402 159"
    echo "click 675 508"
    echo "click 402 ${buttons[$i]}"
    # Special figures take their time to fall: room for them.
    for _ in $(seq 300); do echo "key Down"; echo "advance 1000"; done
    for _ in $(seq 60); do echo "key Backspace"; done # whatever name is offered
    echo "type ${names[$i]}"
    echo "answer yes"
    echo "key Enter"
    echo "click 429 509"
  } > "$work/script"
  TUMBLETOWN_SCORE_SERVER=localhost:$port "$driver" "$data" "$work/store" "$work/script" --send > "$work/driver.out"
  grep -q "^request localhost:$port \"GET /cgi/version.pl?hs&prg=Tumbltwn&inf=" "$work/driver.out" ||
    { cat "$work/driver.out" >&2; fail "no request for ${names[$i]}"; }
  grep -q '^reply "HTTP/1.1 200 OK' "$work/driver.out" || { cat "$work/driver.out" >&2; fail "${names[$i]} was not stored"; }
  url=$(sed -n 's/^open "\(.*\)"$/\1/p' "$work/driver.out")
  [[ "$url" == "http://localhost:$port/cgi/version.pl?prg=Tumbltwn&show&type=${types[$i]}" ]] ||
    fail "World button opened $url for ${names[$i]}"
  urls+=("$url")
done
for i in 0 1 2 3 4; do
  url=${urls[$i]}
  browse "$url" --dump-dom > "$work/dom.html" || fail "chromium could not open $url"
  for j in 0 1 2 3 4; do
    if [[ $i == "$j" ]]; then
      grep -qF "<span>${names[$j]}</span>" "$work/dom.html" || fail "${names[$j]} is not on $url"
    elif grep -qF "<span>${names[$j]}</span>" "$work/dom.html"; then
      fail "${names[$j]} is on $url, the page of another type"
    fi
  done
  grep -qF "type=${types[$i]}\" class=\"selected\"" "$work/dom.html" || fail "the tab of type ${types[$i]} is not selected on $url"
  browse "$url" --window-size=800,700 --hide-scrollbars --screenshot="$out/world-page-type-${types[$i]}.png" ||
    fail "no screenshot of $url"
done
echo ok

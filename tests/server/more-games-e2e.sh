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
source "$(dirname "$0")/e2e-lib.sh"
e2e_start more-games
e2e_server "$server" sqlite

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
  [[ "$url" == "http://localhost:$port/cgi/version.pl?prg=Tumbltwn&show&type=${types[$i]}&verified" ]] ||
    fail "World button opened $url for ${names[$i]}"
  # The results are not verified (sent at once, sooner than their played
  # time): the page of all results, which the verified view links to.
  urls+=("${url%&verified}")
done
for i in 0 1 2 3 4; do
  url=${urls[$i]}
  e2e_browse "$url" --dump-dom > "$work/dom.html" || fail "chromium could not open $url"
  for j in 0 1 2 3 4; do
    if [[ $i == "$j" ]]; then
      grep -qF "<span>${names[$j]}</span>" "$work/dom.html" || fail "${names[$j]} is not on $url"
    elif grep -qF "<span>${names[$j]}</span>" "$work/dom.html"; then
      fail "${names[$j]} is on $url, the page of another type"
    fi
  done
  grep -qF "type=${types[$i]}\" class=\"selected\"" "$work/dom.html" || fail "the tab of type ${types[$i]} is not selected on $url"
  e2e_browse "$url" --window-size=800,700 --hide-scrollbars --screenshot="$out/world-page-type-${types[$i]}.png" ||
    fail "no screenshot of $url"
done
echo ok

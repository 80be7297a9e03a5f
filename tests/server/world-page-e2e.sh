#!/usr/bin/env bash
# End to end: the real game (tumbletown-driver, sending for real) finishes a
# Fourfall and a Color Fourfall game, types a name with bytes above 127 and
# one with < > & " ', and sends both to a tumbletown-scores on loopback; the
# world page, opened in headless Chromium at the address the World button
# opens, shows both names as text.
# Then the replays: each played game's result arrives verified (the game
# sends its replay after the result); the same name with a higher score, in a
# request made by hand, is stored unverified; the played game's replay with
# its score edited to that one is refused; the page marks the verified
# result alone, its "Verified only" view leaves the typed one out, and the
# replay its mark links to downloads as the very file the game kept, which
# the game plays to the same score.
#   world-page-e2e.sh SERVER DRIVER SCORE_CLIENT DATA_FOLDER sqlite|postgresql OUT_FOLDER [POSTGRES_TEMPLATE]
# The pages' screenshots are left in OUT_FOLDER/world-page-<backend>.png and
# OUT_FOLDER/world-page-<backend>-verified.png.
set -euo pipefail
server=$1 driver=$2 client=$3 data=$4 backend=$5 out=$6 template=${7:-}
source "$(dirname "$0")/e2e-lib.sh"
e2e_start world-page
e2e_server "$server" "$backend" "$template"

# The names as a player types them (the driver turns UTF-8 into the game's code page).
high='Zoë Ærøskøbing €5'
markup="<b>\"Tom\" & 'Jerry'</b>"
play() { # game button y, name, screenshot
  {
    echo "click 402 159"
    echo "seeds" # the player looks at the page while the server deals the seeds
    echo "click 402 $1"
    for _ in $(seq 120); do echo "key Down"; echo "advance 1000"; done
    for _ in $(seq 60); do echo "key Backspace"; done # whatever name is offered
    echo "type $2"
    echo "pace" # the replay must not arrive sooner than its played time
    echo "answer yes"
    echo "key Enter"
    echo "click 429 509"
  } > "$work/script"
  TUMBLETOWN_SCORE_SERVER=localhost:$port "$driver" "$data" "$work/store" "$work/script" --send > "$work/driver.out"
  grep -q '^reply "HTTP/1.1 200 OK.*stored: ' "$work/driver.out" || { cat "$work/driver.out" >&2; fail "the game's result was not stored"; }
  grep -q '^request localhost:[0-9]* "POST /api/v1/replays HTTP/1.0' "$work/driver.out" ||
    { cat "$work/driver.out" >&2; fail "the game sent no replay"; }
  grep -q '^reply "HTTP/1.1 200 OK.*verified: ' "$work/driver.out" || { cat "$work/driver.out" >&2; fail "the game's replay did not verify its result"; }
  sed -n 's/^open "\(.*\)"$/\1/p' "$work/driver.out"
}
mkdir -p "$work/store"
url_fourfall=$(play 213 "$high")
url_colour=$(play 347 "$markup")
[[ "$url_fourfall" == "http://localhost:$port/cgi/version.pl?prg=Tumbltwn&show&type=0&verified" ]] || fail "World button opened $url_fourfall"
[[ "$url_colour" == "http://localhost:$port/cgi/version.pl?prg=Tumbltwn&show&type=2&verified" ]] || fail "World button opened $url_colour"
# The pages of all results, which the verified view links to.
url_fourfall=${url_fourfall%&verified}
url_colour=${url_colour%&verified}

for url in "$url_fourfall" "$url_colour"; do
  e2e_browse "$url" --dump-dom > "$work/dom.html" || fail "chromium could not open $url"
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

# The Fourfall game's replay as the game kept it (GAME-SCORE-HASH.replay).
kept=$(ls "$work/store/replays/"0-*.replay)
played=$(sed -n 's/^# score //p' "$kept")
[[ -n "$played" ]] || fail "no claim in $kept"
typed=$((played + 1000))
# The same name, a higher score, sent by hand: stored, and never verified.
"$client" "$port" result 0 "$high" "$typed" | grep -q "^200 stored: $typed points" || fail "the typed result was not stored"
# The played game's replay claiming that score instead: refused.
sed "s/^# score $played\$/# score $typed/" "$kept" > "$work/edited.replay"
! cmp -s "$kept" "$work/edited.replay" || fail "the score was not edited"
answer=$("$client" "$port" replay "$work/edited.replay" || true)
[[ "$answer" == "422 refused: score does not match" ]] || fail "the edited replay got: $answer"
answer=$("$client" "$port" replay "$kept" || true)
[[ "$answer" == "409 refused: replay already used" ]] || fail "the replay sent again got: $answer"
"$client" "$port" get /healthz | grep -q "2 verified, 2 replays refused (score-differs 1, already-used 1)" ||
  fail "the refusals are not counted: $("$client" "$port" get /healthz)"

# The page: the played result marked, with its replay to download; the typed one not.
e2e_browse "$url_fourfall" --dump-dom > "$work/dom.html" || fail "chromium could not open $url_fourfall"
row() { grep -F "<td class=\"score\">$1</td>" "$work/dom.html" || fail "no row of $1 points on the page"; }
row "$played" | grep -qF '<a class="verified" href="/api/v1/replays/' || fail "the played result is not marked"
if row "$typed" | grep -qF 'class="verified"'; then fail "the typed result is marked"; fi
[[ $(grep -c 'class="verified"' "$work/dom.html") == 1 ]] || fail "more than one mark"
grep -qF '<a href="/cgi/version.pl?prg=Tumbltwn&amp;show&amp;type=0&amp;verified">Verified only</a>' "$work/dom.html" ||
  fail "no switch to the verified results"
link=$(row "$played" | sed -n 's/.*<a class="verified" href="\([^"]*\)".*/\1/p')
# Verified only: the played result alone.
e2e_browse "$url_fourfall&verified" --dump-dom > "$work/verified.html" || fail "chromium could not open the verified view"
grep -qF "<td class=\"score\">$played</td>" "$work/verified.html" || fail "the verified result is not in the verified view"
if grep -qF "<td class=\"score\">$typed</td>" "$work/verified.html"; then fail "the typed result is in the verified view"; fi
grep -qF 'type=0&amp;verified" class="selected" aria-current="true">Verified only' "$work/verified.html" ||
  fail "the switch does not show the verified view as selected"
# The download is the file the game kept, and the game plays it to its score.
"$client" "$port" get "$link" > "$work/download.replay" || fail "no download at $link"
cmp "$kept" "$work/download.replay" || fail "the download differs from the replay the game kept"
printf 'watch %s\nkey 4\nadvance 400000\nstate\n' "$work/download.replay" > "$work/watch.script"
"$driver" "$data" "$work/watch-store" "$work/watch.script" > "$work/watch.out"
if grep -q '^refused' "$work/watch.out"; then fail "the game refused the download: $(cat "$work/watch.out")"; fi
grep -q "\"score\":$played," "$work/watch.out" || fail "the download, watched, did not end with $played: $(cat "$work/watch.out")"

mkdir -p "$out"
e2e_browse "$url_colour" --window-size=800,700 --hide-scrollbars --screenshot="$out/world-page-$backend.png" ||
  fail "no screenshot"
[[ -s "$out/world-page-$backend.png" ]] || fail "empty screenshot"
e2e_browse "$url_fourfall&verified" --window-size=800,700 --hide-scrollbars \
  --screenshot="$out/world-page-$backend-verified.png" || fail "no screenshot of the verified view"
e2e_browse "$url_fourfall" --window-size=800,700 --hide-scrollbars --screenshot="$out/world-page-$backend-marks.png" ||
  fail "no screenshot of the marks"
# On a phone's width (390 px) every column stays on screen: the green mark of
# the replay column, the last one, is in the picture whole (not cut at its
# right edge).
e2e_browse "$url_fourfall&verified" --window-size=390,700 --hide-scrollbars \
  --screenshot="$out/world-page-$backend-390.png" || fail "no screenshot at 390 px"
# The mark's green (not the teal tabs; below the green rim of "Verified only").
read -r marks right < <(/usr/bin/convert "$out/world-page-$backend-390.png" -depth 8 ppm:- | python3 -c '
import sys
data = sys.stdin.buffer.read()
magic, width, height, maximum, pixels = data.split(maxsplit=4)
width = int(width)
green = [(i // 3 % width, i // 3 // width) for i in range(0, len(pixels) - 2, 3)
         if pixels[i + 1] > 200 and pixels[i + 1] - pixels[i + 2] > 30 and pixels[i + 1] - pixels[i] > 50]
top = min((y for x, y in green), default=0)
mark = [x for x, y in green if y > top + 40]
print(len(mark), max(mark, default=width))')
(( marks > 400 && right < 385 )) ||
  fail "at 390 px the replay column is not all on the screen ($marks green pixels, the right-most at $right)"
echo ok

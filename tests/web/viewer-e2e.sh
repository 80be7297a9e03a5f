#!/usr/bin/env bash
# End to end: the replay viewer. A game of each of the nine types, played by
# the replay tests' scripted player on the game's 13 x 31 well from a seed the
# server dealt, is sent as a result and verified by its replay on a
# tumbletown-scores on loopback; each verified row of the world page links
# "Watch" to /watch/ID; the page's policy, types and ETags are as promised.
# Then headless Chromium (viewer-cdp.js) opens every /watch/ID and checks the
# state the page shows against fourfall-replay at every point it is moved to,
# takes the figures and screenshots; last, the end of the first game on the page is compared,
# cell by cell, with the game's own end screen of the same replay.
#   viewer-e2e.sh SERVER SCORE_CLIENT PLAYED_GAME FOURFALL_REPLAY DRIVER VIEWER_FOLDER DATA_FOLDER OUT_FOLDER
# Leaves OUT_FOLDER/viewer-end.png, viewer-390.png and game-end.png.
set -euo pipefail
server=$1 client=$2 played=$3 replay_tool=$4 driver=$5 viewer=$6 data=$7 out=$8
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../server/e2e-lib.sh"
e2e_start viewer
node=$(command -v node || true)
[[ -n "$node" ]] || fail "no node (it comes with emscripten)"
e2e_server "$server" sqlite "" --rate-limit 0 --viewer "$viewer"
grep -q "replay viewer from $viewer" "$work/server.log" || fail "the server did not take the viewer"

# The online type (the world page's tab) of each game number.
online=(0 1 4 5 3 6 7 8 2)
# Each game plays a seed the server dealt, as the game's own do; the replays go
# once as much real time has passed as the longest game took in play.
dealt=$(date +%s) longest=0
for game in 0 1 2 3 4 5 6 7 8; do
  token=$("$client" "$port" get "/api/v1/seed?type=${online[$game]}") || fail "no seed for game $game"
  "$played" "$game" 0 "Watcher$game" 13 31 "$token" > "$work/$game.replay" 2> /dev/null || fail "no game $game"
  ms=$(tail -n 2 "$work/$game.replay" | sed -n 's/^at \([0-9]*\) .*/\1/p')
  if (( ms > longest )); then longest=$ms; fi
done
while (( $(date +%s) <= dealt + longest / 1000 + 1 )); do sleep 1; done
: > "$work/jobs"
for game in 0 1 2 3 4 5 6 7 8; do
  name="Watcher$game" type=${online[$game]}
  score=$(sed -n 's/^# score //p' "$work/$game.replay")
  "$client" "$port" result "$type" "$name" "$score" > /dev/null || fail "result of game $game not stored"
  answer=$("$client" "$port" replay "$work/$game.replay" || true)
  [[ $answer == "200 verified"* ]] || fail "replay of game $game: $answer"
  json=$("$client" "$port" get "/api/v1/scores?type=$type")
  id=$(sed -n 's/.*"replay":"\/api\/v1\/replays\/\([0-9]*\)".*/\1/p' <<< "$json")
  [[ -n "$id" ]] || fail "no verified row of type $type: $json"
  # The world page's row links to the viewer.
  "$client" "$port" get "/cgi/version.pl?prg=Tumbltwn&show&type=$type" > "$work/world.html"
  grep -F "<td class=\"score\">$score</td>" "$work/world.html" | grep -qF "<a class=\"watch\" href=\"/watch/$id\"" ||
    fail "no Watch link for $id on the world page of type $type"
  echo "$id $game $work/$game.replay" >> "$work/jobs"
done

# The headers: the page's policy allows the page's own files and compiling
# WebAssembly, nothing more; every file has its type and an ETag; an ETag
# sent back gets 304 and no body.
headers() { rm -f "$work/body"; curl -s -o "$work/body" -D - "$@" | tr -d '\r'; }
first=$(head -n1 "$work/jobs" | cut -d' ' -f1)
page=$(headers "http://127.0.0.1:$port/watch/$first")
grep -qx "Content-Security-Policy: default-src 'none'; script-src 'self' 'wasm-unsafe-eval'; style-src 'self'; img-src 'self'; connect-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'" <<< "$page" ||
  fail "the watch page's policy: $page"
if grep -qiE 'src="(https?:)?//|href="(https?:)?//' "$work/body"; then fail "the watch page names another site"; fi
for pair in viewer.js:text/javascript rules.js:text/javascript rules.wasm:application/wasm viewer.css:text/css \
            Balls.png:image/png Specials.png:image/png; do
  file=${pair%%:*} type=${pair#*:}
  answer=$(headers "http://127.0.0.1:$port/viewer/$file")
  grep -q "^Content-Type: $type" <<< "$answer" || fail "$file is not sent as $type: $answer"
  cmp -s "$work/body" "$viewer/$file" || fail "$file differs from the installed one"
  tag=$(sed -n 's/^ETag: //p' <<< "$answer")
  [[ -n "$tag" ]] || fail "$file has no ETag"
  again=$(headers -H "If-None-Match: $tag" "http://127.0.0.1:$port/viewer/$file")
  [[ $(head -n1 <<< "$again") == "HTTP/1.1 304"* && ! -s "$work/body" ]] || fail "$file sent again to a browser that has it: $again"
done
grep -qF "https://" "$viewer/rules.js" "$viewer/viewer.js" && fail "a script names another site"
[[ $(curl -s -o /dev/null -w '%{http_code}' "http://127.0.0.1:$port/watch/999999") == 404 ]] || fail "an unknown id is not 404"

mkdir -p "$out"
"$node" "$here/viewer-cdp.js" "$chromium" "$replay_tool" \
  "http://127.0.0.1:$port" "$work/jobs" "$out" "$(mktemp -d "$work/profile.XXXXXX")" | tee "$work/cdp.out" ||
  fail "the viewer in chromium: $(grep FAIL "$work/cdp.out" | head -20)"

# The browser's second visit was answered 304 for each file (curl's one is the other).
for file in viewer.js rules.js rules.wasm viewer.css Balls.png Specials.png; do
  [[ $(grep -c "GET /viewer/$file\" 304 .*(not modified)" "$work/server.log") -ge 2 ]] ||
    fail "the browser's second visit did not revalidate $file"
done

# The game's own end screen of the same replay, watched to its end.
printf 'watch %s\nkey 4\nadvance 400000\nscreenshot %s\nstate\n' "$work/0.replay" "$out/game-end.png" > "$work/watch.script"
"$driver" "$data" "$work/store" "$work/watch.script" > "$work/watch.out"
grep -q '"status":2,' "$work/watch.out" || fail "the game did not watch the replay to its end: $(cat "$work/watch.out")"
"$node" "$here/compare-cells.js" "$out/viewer-end.png" "$out/viewer-end-cells.json" "$out/game-end.png" ||
  fail "the viewer's cells differ from the game's"
echo ok

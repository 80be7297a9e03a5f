#!/usr/bin/env bash
# End to end: a result sent while the world server is down arrives once it is
# back. The real game (tumbletown-driver, sending for real) finishes a game
# and sends it to a tumbletown-scores on loopback that has been stopped: the
# high-score page says the server could not be reached, and the result waits
# in the outbox with its replay. The server comes back on the same port and
# database; the game's next start sends it, the server stores it and its
# replay goes too, refused (the game, with the server down, got no seed from
# it: the result stays unverified), the outbox is empty, and a later start
# sends nothing again.
#   outbox-e2e.sh SERVER DRIVER SCORE_CLIENT DATA_FOLDER
set -euo pipefail
server=$1 driver=$2 client=$3 data=$4
source "$(dirname "$0")/e2e-lib.sh"
work=$(mktemp -d /tmp/tt-outbox.XXXXXX)
trap e2e_cleanup EXIT

# A port the server had: stopped, nothing listens there while the game sends.
e2e_server "$server" sqlite
kill "$server_pid"
wait "$server_pid" 2> /dev/null || true
server_pid=
mkdir -p "$work/store"
export TUMBLETOWN_SCORE_SERVER=localhost:$port

{
  echo "click 402 159"
  echo "click 402 213"
  for _ in $(seq 120); do echo "key Down"; echo "advance 1000"; done
  echo "type Outbox Olga"
  echo "answer yes"
  echo "key Enter"
  echo "sent"
  echo "screen"
} > "$work/script"
"$driver" "$data" "$work/store" "$work/script" --send > "$work/down.out"
grep -q '"notice":"Could not reach the server: it will try again later."' "$work/down.out" ||
  { cat "$work/down.out" >&2; fail "no word that the server could not be reached"; }
kept=$(ls "$work/store/outbox/"*.result 2> /dev/null | wc -l)
[[ $kept == 1 ]] || fail "the outbox holds $kept results, not 1"
score=$(sed -n 's/^score //p' "$work/store/outbox/"*.result)
[[ -n "$score" ]] || fail "no score in the outbox"
grep -q '^# name Outbox Olga$' "$work/store/outbox/"*.result || fail "the replay is not kept with the result"

# The server is back, on the same port and database.
mv "$work/server.log" "$work/server-before.log"
"$server" --listen "127.0.0.1:$port" --database "$work/scores.db" 2> "$work/server.log" &
server_pid=$!
for _ in $(seq 100); do
  grep -q "listening on 127.0.0.1:$port" "$work/server.log" && break
  sleep 0.1
done
grep -q "listening on 127.0.0.1:$port" "$work/server.log" || fail "the server did not come back on port $port"

# The next start sends it, with no key pressed.
printf 'sent\nscreen\n' | "$driver" "$data" "$work/store" --send > "$work/up.out"
grep -q '^reply "HTTP/1.1 200 OK.*stored: '"$score"' points' "$work/up.out" ||
  { cat "$work/up.out" >&2; fail "the kept result was not stored"; }
grep -q '^reply "HTTP/1.1 4[0-9][0-9] .*no seed token' "$work/up.out" ||
  { cat "$work/up.out" >&2; fail "its replay, on a seed of the game's own, was not refused for it"; }
[[ -z "$(ls -A "$work/store/outbox")" ]] || fail "the outbox is not empty: $(ls "$work/store/outbox")"
scores=$("$client" "$port" get "/api/v1/scores?type=0")
grep -q "\"name\":\"Outbox Olga\",\"score\":$score,[^}]*\"verified\":false" <<< "$scores" ||
  fail "the world list does not have it: $scores"

# Once: a later start sends nothing.
printf 'sent\n' | "$driver" "$data" "$work/store" --send > "$work/again.out"
if grep -q '^request ' "$work/again.out"; then fail "sent again: $(cat "$work/again.out")"; fi
[[ $(grep -o '"name":"Outbox Olga"' <<< "$("$client" "$port" get "/api/v1/scores?type=0")" | wc -l) == 1 ]] ||
  fail "stored more than once"
echo ok

#!/usr/bin/env bash
# End to end: the real game (tumbletown-driver, sending for real) plays games
# of all nine types on seeds a running tumbletown-scores dealt, and every one
# of its results is verified. With PostgreSQL two servers share the database:
# the seeds come from the first, the results and replays go to the second.
#
# The game asks for the seeds when the game type pages show. The first server
# then goes away (with SQLite the one server stops, to come back on its
# port), so that the nine results wait in the game's outbox: a replay may
# arrive no sooner after its seed than the game's own played time, and the
# driver plays in virtual time, much faster. Once that time has passed in
# real time, the game's next start delivers the outbox to the server that
# is up.
#
# Before that, one more game is played while the named server accepts and
# never replies: it starts at once on a seed of the game's own, and its
# result, kept in the outbox and delivered at the next start, is stored
# unverified.
#   dealt-seeds-e2e.sh SERVER DRIVER SCORE_CLIENT DATA_FOLDER sqlite|postgresql [POSTGRES_TEMPLATE]
set -euo pipefail
server=$1 driver=$2 client=$3 data=$4 backend=$5 template=${6:-}
source "$(dirname "$0")/e2e-lib.sh"
work=$(mktemp -d /tmp/tt-seeds.XXXXXX)
mute_pid= driver_pid=
cleanup() {
  [[ -n "$driver_pid" ]] && kill "$driver_pid" 2> /dev/null || true
  [[ -n "$mute_pid" ]] && kill "$mute_pid" 2> /dev/null || true
  [[ -n "${second_pid:-}" ]] && kill "$second_pid" 2> /dev/null && wait "$second_pid" 2> /dev/null || true
  e2e_cleanup
}
trap cleanup EXIT
mkdir -p "$work/store"

# Button centres: the main menu's New Game, the game type page's four games
# and its More Games, the More Games page's five, the high-score page's Back.
new_game="click 402 159"
more="click 675 508"
scores_back="click 691 509"
first_buttons=(213 280 347 414)  # Fourfall, Fivefall, Color Fourfall, Crazy Fourfall
first_types=(0 1 2 3)
more_buttons=(191 253 315 377 439) # Kids Fourfall, Kids Fivefall, Crazy Fivefall, Grand Fourfall, Grand Fivefall
more_types=(4 5 6 7 8)

# One game to its end, its result named and sent: the figures dropped, one
# fall period (1000 ms at the first level) at a time.
play_and_send() { # name
  for _ in $(seq 300); do echo "key Down"; echo "advance 1000"; done
  for _ in $(seq 60); do echo "key Backspace"; done
  echo "type $1"
  echo "answer yes"
  echo "key Enter"
  echo "sent"
  echo "$scores_back"
}

# --- A server that accepts and never replies: no seed, no wait.
mute_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -c '
import socket, sys, time
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", int(sys.argv[1]))); s.listen(64)
held = []
while True:
    c, _ = s.accept(); held.append(c)
' "$mute_port" &
mute_pid=$!
for _ in $(seq 50); do
  python3 -c 'import socket, sys; socket.create_connection(("127.0.0.1", int(sys.argv[1])), 1)' "$mute_port" 2> /dev/null &&
    break
  sleep 0.1
done
{
  echo "$new_game"
  echo "click 402 213"
  echo "screen"
  play_and_send Unsealed
} > "$work/mute.script"
TUMBLETOWN_SCORE_SERVER=localhost:$mute_port "$driver" "$data" "$work/store" "$work/mute.script" --send \
  > "$work/mute.out" 2> /dev/null
grep -q '^{"page":"Play".*"token":""' "$work/mute.out" || { cat "$work/mute.out" >&2; fail "the game did not start without a seed"; }
grep -q '^seed localhost:'"$mute_port"' "GET /api/v1/seed?type=0 HTTP/1.0' "$work/mute.out" ||
  fail "no seed was asked of the silent server"
kill "$mute_pid"
mute_pid=

# --- The seeds, from the first server.
e2e_server "$server" "$backend" "$template"
first_port=$port
if [[ $backend == postgresql ]]; then
  database=$(cut -d' ' -f2 "$work/pg.state")
  "$server" --listen 127.0.0.1:0 --database "$database" 2> "$work/second.log" &
  second_pid=$!
  for _ in $(seq 100); do
    grep -q "listening on" "$work/second.log" && break
    sleep 0.1
  done
  second_port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\),.*/\1/p' "$work/second.log")
  [[ -n "$second_port" ]] || { cat "$work/second.log" >&2; fail "the second server did not come up"; }
else
  second_port=$first_port
fi

mkfifo "$work/script"
TUMBLETOWN_SCORE_SERVER=localhost:$first_port "$driver" "$data" "$work/store" --send < "$work/script" \
  > "$work/play.out" 2> /dev/null &
driver_pid=$!
exec 3> "$work/script"
{ echo "$new_game"; echo "$more"; echo "seeds"; echo "screen"; } >&3
for _ in $(seq 300); do
  grep -q '^{"page"' "$work/play.out" && break
  sleep 0.1
done
dealt=$(grep -c '^seed-reply "HTTP/1.[01] 200 ' "$work/play.out" || true)
[[ $dealt == 9 ]] || { cat "$work/play.out" >&2; fail "$dealt seeds dealt, not 9"; }
issued=$(date +%s)

# The first server goes: the results wait in the outbox.
kill "$server_pid"
wait "$server_pid" 2> /dev/null || true
server_pid=
{
  echo "click 400 508" # the More Games page's Back, then the main menu
  echo "click 400 508"
  for i in 0 1 2 3; do
    echo "$new_game"
    echo "click 402 ${first_buttons[$i]}"
    play_and_send "Sealed${first_types[$i]}"
  done
  for i in 0 1 2 3 4; do
    echo "$new_game"
    echo "$more"
    echo "click 402 ${more_buttons[$i]}"
    play_and_send "Sealed${more_types[$i]}"
  done
} >&3
exec 3>&-
wait "$driver_pid" || fail "the driver failed"
driver_pid=

# Each result waits with its replay, the replay with its seed's token.
results=$(ls "$work/store/outbox/"*.result | wc -l)
[[ $results == 9 ]] || fail "$results results in the outbox, not 9"
for t in 0 1 2 3 4 5 6 7 8; do
  file=$(grep -l "^# name Sealed$t\$" "$work/store/outbox/"*.result) || fail "no result of Sealed$t kept"
  grep -q "^# token 1\.$t\.[0-9]*\." "$file" || fail "the replay of Sealed$t carries no token of type $t"
done
grep -q '^reply "HTTP/1.1 422 .*no seed token' "$work/play.out" ||
  fail "the replay of the game without a seed was not refused for it"

# Real time catches up with the longest game's played time.
longest=0
for file in "$work/store/outbox/"*.result; do
  ms=$(grep '^at ' "$file" | tail -n 1 | cut -d' ' -f2)
  ((ms > longest)) && longest=$ms
done
ready=$((issued + longest / 1000 + 2))
now=$(date +%s)
((ready > now)) && sleep $((ready - now))

# --- The results and replays, to the server that is up.
if [[ $backend == sqlite ]]; then
  "$server" --listen "127.0.0.1:$second_port" --database "$work/scores.db" 2> "$work/server.log" &
  server_pid=$!
  for _ in $(seq 100); do
    grep -q "listening on 127.0.0.1:$second_port" "$work/server.log" && break
    sleep 0.1
  done
fi
printf 'sent\n' | TUMBLETOWN_SCORE_SERVER=localhost:$second_port "$driver" "$data" "$work/store" --send \
  > "$work/deliver.out" 2> /dev/null
verified=$(grep -c '^reply "HTTP/1.1 200 OK.*verified: ' "$work/deliver.out" || true)
[[ $verified == 9 ]] || { cat "$work/deliver.out" >&2; [[ -f $work/second.log ]] && cat "$work/second.log" >&2; fail "$verified replays verified, not 9"; }
[[ -z "$(ls -A "$work/store/outbox")" ]] || fail "the outbox is not empty: $(ls "$work/store/outbox")"
for t in 0 1 2 3 4 5 6 7 8; do
  scores=$("$client" "$second_port" get "/api/v1/scores?type=$t")
  grep -q "\"name\":\"Sealed$t\",.*\"verified\":true" <<< "$scores" || fail "Sealed$t is not verified: $scores"
done
scores=$("$client" "$second_port" get "/api/v1/scores?type=0")
grep -q '"name":"Unsealed",' <<< "$scores" || fail "the game without a seed was not stored: $scores"
grep -q '"name":"Unsealed",[^}]*"verified":false' <<< "$scores" || fail "the game without a seed is verified: $scores"
echo "ok: 9 of 9 verified on dealt seeds ($backend), the longest game $((longest / 1000)) s of play"

#!/usr/bin/env bash
# Racing the world's best: a game sent by one player (tumbletown-driver,
# sending for real) is verified by a tumbletown-scores on loopback; a second
# player with an empty table presses W on the high-score page, the game
# fetches that replay through the server's scores list and races it, doing
# what the ghost did, to a tie. The raced result goes as an ordinary result,
# without its replay, and the question says so. Then the server's copy of
# the replay is damaged, and later forged (a higher claim): each is refused
# with the game's question, and nothing else changes.
#   race-test.sh SERVER DRIVER SCORE_CLIENT DATA_FOLDER
set -euo pipefail
server=$1 driver=$2 client=$3 data=$4
source "$(dirname "$0")/../../server/e2e-lib.sh"
work=$(mktemp -d /tmp/tt-race.XXXXXX)
trap e2e_cleanup EXIT
command -v sqlite3 > /dev/null || fail "no sqlite3 (apt-get install sqlite3)"

e2e_server "$server" sqlite
export TUMBLETOWN_SCORE_SERVER=localhost:$port

# The same keys at the same times, from the start of a game.
moves() { for _ in $(seq 120); do echo "key Down"; echo "advance 1000"; done; }

# The world's best: played on a seed the server dealt, named, sent with its
# replay, verified.
mkdir -p "$work/first"
{
  echo "click 402 159"
  echo "seeds" # the server deals this game's seed while the page shows
  echo "click 402 213"
  moves
  echo "type Wanda"
  echo "pace" # the replay must not arrive sooner than its played time
  echo "answer yes"
  echo "key Enter"
  echo "sent"
} > "$work/first.script"
"$driver" "$data" "$work/first" "$work/first.script" --send > "$work/first.out"
score=$(sed -n 's/.*verified: \([0-9]*\) points.*/\1/p' "$work/first.out" | head -n 1)
[[ -n "$score" ]] || { cat "$work/first.out" >&2; fail "the first game was not verified"; }
id=$("$client" "$port" get "/api/v1/scores?type=0" | sed -n 's/.*"bestVerifiedReplay":"\/api\/v1\/replays\/\([0-9]*\)".*/\1/p')
[[ -n "$id" ]] || fail "the scores list names no best verified replay"

# Another player races it from the high-score page and does what it did.
race() { # store script out: runs a race attempt from the main menu
  mkdir -p "$work/$1"
  "$driver" "$data" "$work/$1" "$2" --send > "$3"
}
{
  echo "click 402 300"
  echo "key W"
  echo "fetched"
  echo "screen"
  moves
  echo "screen"
  echo "type Rita"
  echo "answer yes"
  echo "key Enter"
  echo "sent"
} > "$work/race.script"
race second "$work/race.script" "$work/race.out"
grep -q "^request localhost:$port \"GET /api/v1/replays/$id HTTP/1.0" "$work/race.out" ||
  { cat "$work/race.out" >&2; fail "the replay was not fetched"; }
screens=$(grep '^{"page"' "$work/race.out")
first=$(head -n 1 <<< "$screens") last=$(tail -n 1 <<< "$screens")
grep -q '"page":"Play".*"racing":1,"ghost":{"score":[0-9]*,"lines":[0-9]*,"over":0,"final":'"$score"',' <<< "$first" ||
  fail "no race against $score points: $first"
grep -q '"ghost":{"score":'"$score"',.*"over":1,.*"raceResult":"Tied with the ghost"' <<< "$last" ||
  fail "the race did not end tied: $last"
grep -q '"notice":"Race: Tied with the ghost"' <<< "$last" || fail "the high-score page does not say how the race ended"
grep -q "^question \"Send the result to World's Highscores page? It raced a ghost.*not for verifying.\" yes" \
  "$work/race.out" || { cat "$work/race.out" >&2; fail "the send question does not say the raced game goes unverified"; }
grep -q '^request .*"GET /cgi/version.pl?hs&prg=Tumbltwn&inf=' "$work/race.out" || fail "the raced result was not sent"
if grep -q '^request .*POST /api/v1/replays' "$work/race.out"; then fail "the raced game's replay was sent"; fi
scores=$("$client" "$port" get "/api/v1/scores?type=0")
grep -q '"name":"Rita","score":'"$score"',[^}]*"verified":false' <<< "$scores" ||
  fail "the raced result is not on the world list as an ordinary one: $scores"
grep -q '"bestVerifiedReplay":"/api/v1/replays/'"$id"'"' <<< "$scores" || fail "the best verified replay changed"
# The ghost's game entered no table but its own: the racer's list holds one entry.
grep -q '"list":\[{"name":"[^"]*","score":'"$score"'}\]' <<< "$last" || fail "the racer's list is not one entry: $last"

refused() { # name reason: the server's replay is now bad; the game refuses it
  {
    echo "click 402 300"
    echo "answer no"
    echo "key W"
    echo "fetched"
    echo "screen"
  } > "$work/$1.script"
  race "$1" "$work/$1.script" "$work/$1.out"
  grep -q "^question \"The world's best replay was refused: $2.*Fetch it again?\" no" "$work/$1.out" ||
    { cat "$work/$1.out" >&2; fail "the $1 replay was not refused with its reason"; }
  grep -q '"page":"HighScore".*"list":\[\],.*"racing":0,.*"notice":""' "$work/$1.out" ||
    fail "something changed after the $1 replay: $(grep '^{"page"' "$work/$1.out")"
}
original=$(sqlite3 "$work/scores.db" "SELECT hex(replay) FROM replays WHERE score_id = $id")
[[ -n "$original" ]] || fail "no replay $id in the database"
sqlite3 "$work/scores.db" "UPDATE replays SET replay = substr(replay, 1, 200) WHERE score_id = $id"
refused damaged "it is damaged"
sqlite3 "$work/scores.db" "UPDATE replays SET replay = CAST(replace(CAST(X'$original' AS TEXT), \
'# score $score', '# score $((score + 1000))') AS BLOB) WHERE score_id = $id"
refused forged "it plays to $score points, not the $((score + 1000)) it claims"
echo ok

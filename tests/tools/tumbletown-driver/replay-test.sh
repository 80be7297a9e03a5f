#!/usr/bin/env bash
# Games of the four offered types played through the driver, each recorded:
# fourfall-replay plays the record to the same final score, level and board,
# and the record watched at speed 4 ends on a screen identical, pixel for
# pixel, to the real game's end. A record with one byte changed plays or is
# refused, never crashes either program.
#   replay-test.sh DRIVER FOURFALL-REPLAY DATA
set -euo pipefail
driver=$1
replay=$2
data=$3
work=${KEEP_WORK:-$(mktemp -d)}
[[ -n ${KEEP_WORK:-} ]] || trap 'rm -rf "$work"' EXIT
mkdir -p "$work/store"
# A full table of better scores: the games end on the play screen, as the
# watched ones do, instead of going on to a new entry.
{
  printf '[HKEY_CURRENT_USER\\Software\\Kestrovan\\Grand Fourfall\\Score]\n'
  for t in 0 1 8 4; do
    for p in 0 1 2 3 4 5 6 7 8; do
      printf '"%s_0_%s_Name"="Best"\n"%s_0_%s_Score"=dword:05f5e0ff\n' $t $p $t $p
    done
  done
} > "$work/store/settings.reg"

field() { # field NAME JSON-LINE: the value of a number field
  grep -o "\"$1\":-\?[0-9]*" <<< "$2" | head -n 1
}
board() { grep -o '"board":\[[^]]*\]' <<< "$1"; }

# Button of each game type on the game type page.
declare -A button=([0]=213 [1]=280 [8]=347 [4]=414)
for type in 0 1 8 4; do
  script="$work/script-$type"
  {
    echo "click 402 159"
    echo "click 402 ${button[$type]}"
    echo "advance 1500"
    keys=(Left Up Right Ctrl Down Left Left Up Down Right Right Right Down Up Ctrl Ctrl Down)
    for i in $(seq 0 119); do
      echo "key ${keys[$((i % ${#keys[@]}))]}"
      echo "advance $((150 + (i * 37) % 900))"
    done
    echo "advance 400000"
    echo "state"
    echo "screenshot $work/real-$type.png"
    echo "record $work/game-$type.replay"
    echo "watch $work/game-$type.replay"
    echo "screen"
    echo "key 4"
    echo "advance 200000"
    echo "state"
    echo "screen"
    echo "screenshot $work/watched-$type.png"
    echo "key Escape"
    echo "screen"
  } > "$script"
  "$driver" "$data" "$work/store" "$script" --seed $((type + 5)) > "$work/out-$type"
  mapfile -t states < <(grep '^{"status"' "$work/out-$type")
  mapfile -t screens < <(grep '^{"page"' "$work/out-$type")
  [[ ${#states[@]} == 2 && ${#screens[@]} == 3 ]]
  real=${states[0]}
  watched=${states[1]}
  [[ $(field status "$real") == '"status":2' ]] || { echo "type $type: the game did not end"; exit 1; }
  [[ $(field gameNum "$real") == "\"gameNum\":$type" ]]
  [[ $(field score "$real") != '"score":0' ]] || { echo "type $type: no points"; exit 1; }
  grep -q '"watching":1,"watchSpeed":1' <<< "${screens[0]}"
  grep -q '"page":"Play".*"watching":1,"watchSpeed":4' <<< "${screens[1]}"
  grep -q '"page":"MainMenu".*"watching":0' <<< "${screens[2]}"
  # The record through the replay tool.
  replayed=$("$replay" < "$work/game-$type.replay")
  for f in score level status linesLeft; do
    [[ $(field $f "$replayed") == "$(field $f "$real")" ]] || { echo "type $type: $f differs in the tool"; exit 1; }
    [[ $(field $f "$watched") == "$(field $f "$real")" ]] || { echo "type $type: $f differs when watched"; exit 1; }
  done
  [[ $(board "$replayed") == "$(board "$real")" ]] || { echo "type $type: board differs in the tool"; exit 1; }
  [[ $(board "$watched") == "$(board "$real")" ]] || { echo "type $type: board differs when watched"; exit 1; }
  # The same screen but the plate over the well, whose line says what the
  # keys do (a replay's speed and Esc there).
  for shot in real watched; do
    convert "$work/$shot-$type.png" -fill black -draw "rectangle 297,240 505,350" "$work/$shot-$type-masked.ppm"
  done
  cmp "$work/real-$type-masked.ppm" "$work/watched-$type-masked.ppm" || { echo "type $type: screens differ"; exit 1; }
  echo "type $type: $(field score "$real") $(field level "$real"), $(grep -c '^at ' "$work/game-$type.replay") operations"
done

# One byte changed, everywhere in turn in the first lines and at random
# places after them: the game refuses the file or plays it; the tool plays it
# or names a bad token; neither crashes.
file="$work/game-0.replay"
size=$(stat -c %s "$file")
for i in $(seq 0 39); do
  if ((i < 24)); then at=$i; else at=$(((i * 7919) % size)); fi
  cp "$file" "$work/bent.replay"
  byte=$(od -An -tu1 -j "$at" -N1 "$file" | tr -d ' ')
  printf "$(printf '\\%03o' $(((byte + 1 + i % 50) % 256)))" |
    dd of="$work/bent.replay" bs=1 seek="$at" conv=notrunc status=none
  status=0
  "$replay" < "$work/bent.replay" > /dev/null 2>&1 || status=$?
  [[ $status == 0 || $status == 2 ]] || { echo "fourfall-replay status $status at byte $at"; exit 1; }
  printf 'watch %s\nadvance 100000\nscreen\n' "$work/bent.replay" > "$work/bent.script"
  status=0
  "$driver" "$data" "$work/store" "$work/bent.script" > "$work/bent.out" 2>&1 || status=$?
  [[ $status == 0 ]] || { echo "driver status $status at byte $at"; cat "$work/bent.out"; exit 1; }
  grep -q '^refused\|"watching":1' "$work/bent.out"
done
echo ok

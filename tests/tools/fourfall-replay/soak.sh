#!/usr/bin/env bash
# soak.sh REPLAY [COUNT]: feeds COUNT random commands (default 10000) for each
# of the nine game numbers to the replay tool. Fails on a non-zero exit, on
# anything written to standard error (a sanitizer report included) and when
# the tool printed another number of lines than it was asked to.
# The commands are drawn from bash's generator seeded per game number, so a
# failing run can be repeated; set SOAK_KEEP=dir to keep the command files.
set -uo pipefail
replay=${1:?usage: soak.sh REPLAY [COUNT]}
count=${2:-10000}
work=${SOAK_KEEP:-$(mktemp -d)}
mkdir -p "$work"
[[ -n "${SOAK_KEEP:-}" ]] || trap 'rm -rf "$work"' EXIT

options=(StartLevel Difficulty ZPlaySound ZPlayMusic ZNextFig UseEffects MouseType BackRound NumBlocks)
values=(0 1 2 3 5 19 -1 -4 -7 1999 2000 5000 32764 32765 2147483647 -2147483648)
sizes=("13 31" "13 31" "13 31" "1 1" "2 3" "4 4" "5 40" "62 62" "63 64" "0 0" "-3 10" "2147483647 -2147483648")
selects=(-1 9 15 16 100 2147483647 -2147483648)

failed=0
for game in 0 1 2 3 4 5 6 7 8; do
  RANDOM=$((game + 1))
  file="$work/game$game.txt"
  prints=0
  {
    echo "seed $((RANDOM * 32768 + RANDOM))"
    echo "size 13 31"
    echo "select $game"
    echo "start"
    for ((i = 4; i < count; i++)); do
      r=$((RANDOM % 1000))
      if ((r < 300)); then echo tick
      elif ((r < 420)); then echo left
      elif ((r < 540)); then echo right
      elif ((r < 660)); then echo rotate
      elif ((r < 740)); then echo drop
      elif ((r < 860)); then echo down
      elif ((r < 930)); then echo print; prints=$((prints + 1))
      elif ((r < 970)); then echo start
      elif ((r < 980)); then echo "size ${sizes[RANDOM % ${#sizes[@]}]}"
      elif ((r < 990)); then
        if ((RANDOM % 2)); then echo "select $game"; else echo "select ${selects[RANDOM % ${#selects[@]}]}"; fi
      else echo "option ${options[RANDOM % ${#options[@]}]} ${values[RANDOM % ${#values[@]}]}"
      fi
    done
  } >"$file"
  "$replay" <"$file" >"$work/out$game.txt" 2>"$work/err$game.txt"
  status=$?
  lines=$(wc -l <"$work/out$game.txt")
  if ((status != 0)) || [[ -s "$work/err$game.txt" ]] || ((lines != prints)); then
    echo "game $game: exit $status, $lines of $prints lines printed" >&2
    head -c 4000 "$work/err$game.txt" >&2
    failed=1
  else
    over=$(grep -c '"status":2' "$work/out$game.txt")
    echo "game $game: $count commands, $prints states printed ($over after game over)"
  fi
done
if ((failed)); then
  exit 1
fi
exit 0

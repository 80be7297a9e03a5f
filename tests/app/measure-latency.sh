#!/usr/bin/env bash
# measure-latency.sh GAME DATADIR [PRESSES]: input latency of the real game on
# a fresh Xvfb screen: a game of the first type is started with the keys,
# then Left and Right are pressed in turn (PRESSES in all, 1000 by default),
# each moving the figure; the game reports for every key-down the time from
# SDL's timestamp of the event to the return of the present that shows it.
# Prints the median and the 99th percentile. Not a test: timings under Xvfb on
# a shared machine vary.
set -uo pipefail
game=$1
data=$2
presses=${3:-1000}
for tool in Xvfb xdotool; do
  command -v "$tool" > /dev/null || { echo "needs $tool"; exit 77; }
done
. "$(dirname "$0")/../../scripts/xvfb.sh"
work=$(mktemp -d)
remove_at_exit "$work"
gpid=''
at_exit '[[ -n "$gpid" ]] && kill "$gpid" 2> /dev/null'
xvfb_start || exit 1
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" TUMBLETOWN_DATA_DIR="$data" TUMBLETOWN_TRACE=1
xdotool mousemove 1020 760
"$game" 2> "$work/log" > /dev/null &
gpid=$!
w=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tumbletown$' | head -1)
[[ -n "$w" ]] || { echo "no window"; exit 1; }
for _ in $(seq 400); do grep -q '^first-frame' "$work/log" && break; sleep 0.05; done
xdotool windowfocus --sync "$w"
# New Game, the first game type.
xdotool key --delay 100 Down Return Down Return
sleep 1
: > "$work/keys"
sed -n '/^key-shown/=' "$work/log" | tail -1 > "$work/before"
for ((i = 0; i < presses / 2; i++)); do
  xdotool key --delay 15 Left Right
done
sleep 1
kill "$gpid"
wait "$gpid" 2> /dev/null
gpid=''
skip=$(cat "$work/before")
skip=${skip:-0}
sed -n "$((skip + 1)),\$p" "$work/log" | sed -n 's/^key-shown \([0-9]*\) us$/\1/p' | sort -n > "$work/us"
n=$(wc -l < "$work/us")
(( n > 0 )) || { echo "no key was shown"; exit 1; }
median=$(sed -n "$(( (n + 1) / 2 ))p" "$work/us")
p99=$(sed -n "$(( (n * 99 + 99) / 100 ))p" "$work/us")
max=$(tail -1 "$work/us")
echo "key-downs shown: $n of $presses; from SDL's event timestamp to the present's return:"
echo "median $median us, 99th percentile $p99 us, max $max us"

#!/usr/bin/env bash
# measure-game.sh GAME DATADIR: figures of the real game on a fresh Xvfb
# screen: time to the first painted frame, CPU used over 10 idle seconds in
# the main menu with music off and on (and on with SDL's disk audio driver,
# which mixes in real time into /dev/null, as a stand-in for a sound card),
# and the memory the running game holds. Not a test: timings under Xvfb on a
# shared machine vary.
set -uo pipefail
game=$1
data=$2
idle=${IDLE_SECONDS:-10}
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
export XDG_RUNTIME_DIR="$work/runtime" TUMBLETOWN_DATA_DIR="$data" TUMBLETOWN_TRACE=1
# Keep the pointer off the window: every move repaints it.
xdotool mousemove 1020 760

cpu_ns() { # all threads of the process: nanoseconds on a CPU
  local sum=0 t
  for t in /proc/"$1"/task/*/schedstat; do
    read -r ns _ < "$t" 2> /dev/null && sum=$((sum + ns))
  done
  echo "$sum"
}

run() { # label music(0|1) [env...]
  local label=$1 music=$2
  shift 2
  export XDG_CONFIG_HOME="$work/config-$label"
  mkdir -p "$XDG_CONFIG_HOME/tumbletown"
  printf '[HKEY_CURRENT_USER\\Software\\Kestrovan\\Grand Fourfall\\Options]\n"ZPlayMusic"=dword:0000000%d\n' \
    "$music" > "$XDG_CONFIG_HOME/tumbletown/settings.reg"
  local t0; t0=$(date +%s%N)
  env "$@" "$game" > "$work/log-$label" 2>&1 &
  gpid=$!
  for _ in $(seq 1000); do grep -q '^first-frame' "$work/log-$label" && break; sleep 0.01; done
  local t1; t1=$(date +%s%N)
  sleep 2 # settle: the music starts, the first track is loaded
  local threads; threads=$(ls /proc/"$gpid"/task | wc -l)
  local c0; c0=$(cpu_ns "$gpid")
  sleep "$idle"
  local c1; c1=$(cpu_ns "$gpid")
  local rss hwm
  rss=$(awk '/^VmRSS/ {print $2}' /proc/"$gpid"/status)
  hwm=$(awk '/^VmHWM/ {print $2}' /proc/"$gpid"/status)
  kill "$gpid"; wait "$gpid" 2> /dev/null; gpid=''
  printf '%-22s first frame: %s (launch to frame seen: %d ms); idle %ds in the main menu: %d.%03d ms CPU (%s %%), %d threads; RSS %d KiB, peak %d KiB\n' \
    "$label" "$(sed -n 's/^first-frame //p' "$work/log-$label")" $(((t1 - t0) / 1000000)) "$idle" \
    $(((c1 - c0) / 1000000)) $((((c1 - c0) / 1000) % 1000)) \
    "$(awk -v n=$((c1 - c0)) -v s="$idle" 'BEGIN {printf "%.3f", n / (s * 1e7)}')" "$threads" "$rss" "$hwm"
}

run music-off 0
run music-on 1
run music-on-disk-audio 1 SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null

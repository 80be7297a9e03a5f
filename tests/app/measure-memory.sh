#!/usr/bin/env bash
# measure-memory.sh GAME DATADIR [RUNS [OTHER_GAME...]]: the memory the real
# game holds on a fresh Xvfb screen, as the kernel counts it
# (/proc/PID/smaps_rollup): resident (RSS) and proportional (PSS, shared pages
# split among their users) in the main menu 5 s after the first frame, and
# after 30 s of play (a game of the first type started with the keys, the
# figures left to fall). With the pointer off the window, so that no button
# is lit. Then the longest page show: the game is walked through every page
# twice with the keys (the second walk after a pause longer than the game
# holds the pictures of pages out of view), and the game's own trace gives,
# for every key that changed the page, the time from the key to the present
# that showed the new page.
# RUNS rounds (3 by default); each round measures GAME, every OTHER_GAME (an
# older build, say) and LTris (Debian's ltris, another falling-block game; a
# game of its own demo mode stands for play) when installed, in turn, so that
# a change of the machine's load weighs on each alike. Prints every run and
# the medians. Not a test: figures on a shared machine vary.
set -uo pipefail
game=$1
data=$2
runs=${3:-3}
shift $(($# < 3 ? $# : 3))
# MENU_SECONDS and PLAY_SECONDS change the waits; SHOW_EVERY_PAGE=1 prints
# every page show of the walks.
menu_seconds=${MENU_SECONDS:-5}
play_seconds=${PLAY_SECONDS:-30}
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
ltris=/usr/games/ltris
[[ -x "$ltris" ]] || ltris=''

memory() { # pid: "RSS PSS" in KiB
  awk '/^Rss:/ {r = $2} /^Pss:/ {p = $2} END {print r, p}' "/proc/$1/smaps_rollup"
}
stop() {
  kill "$gpid" 2> /dev/null
  wait "$gpid" 2> /dev/null
  gpid=''
}
win=''
start_tumbletown() { # game label: starts it (gpid), waits for its first frame and window (win)
  export XDG_CONFIG_HOME="$work/config-$2"
  rm -rf "$XDG_CONFIG_HOME"
  "$1" 2> "$work/log-$2" > /dev/null &
  gpid=$!
  win=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tumbletown$' | head -1)
  for _ in $(seq 400); do grep -aq '^first-frame' "$work/log-$2" && break; sleep 0.05; done
  # Off the window, once the window is there (a move before may not take).
  xdotool mousemove 1020 760
  [[ -n "$win" ]] && xdotool windowfocus --sync "$win" 2> /dev/null
  [[ -n "$win" ]] || { echo "$2: no window" >&2; stop; return 1; }
}

measure_tumbletown() { # game label: sets figures
  local menu play
  start_tumbletown "$1" "$2" || return 1
  sleep "$menu_seconds"
  menu=$(memory "$gpid")
  # New Game, the first game type.
  xdotool key --delay 150 Down Return Down Return
  sleep "$play_seconds"
  play=$(memory "$gpid")
  stop
  figures="$menu $play"
}

measure_ltris() { # sets figures
  local w menu play
  export HOME="$work/home-ltris"
  rm -rf "$HOME"
  mkdir -p "$HOME"
  "$ltris" > /dev/null 2>&1 &
  gpid=$!
  w=$(timeout 20 xdotool search --sync --onlyvisible --name '^LTris' | head -1)
  [[ -n "$w" ]] || { echo "ltris: no window"; stop; return 1; }
  sleep "$menu_seconds"
  menu=$(memory "$gpid")
  # New Game, then Start Game (its first game mode, the demo).
  xdotool mousemove --window "$w" 180 264 click 1
  sleep 0.5
  xdotool mousemove --window "$w" 180 224 click 1
  sleep 0.3
  xdotool mousemove 1020 760
  sleep "$play_seconds"
  play=$(memory "$gpid")
  stop
  figures="$menu $play"
}

# The walk: keys, and for each a mark whether it leads to another page.
# Main menu: New Game; game type: More Games; back twice; Options; its
# Controls; back; its Sound; back twice; High Scores; back; Help; back; New
# Game; the first type (play); Escape asks (the question box), Y leaves to
# the main menu. Each walk starts with no button lit: the pointer passes over
# New Game, which puts out any other, and leaves the window.
walk1=(Down 0 Return 1 Up 0 Up 0 Return 1 Escape 1 Escape 1
       Down 0 Return 1 Up 0 Up 0 Return 1 Escape 1 Up 0 Up 0 Return 1 Escape 1 Escape 1
       Down 0 Return 1 Escape 1 Down 0 Return 1 Escape 1
       Up 0 Up 0 Up 0 Return 1 Down 0 Return 1 Escape 1 y 1)
# The second walk finds the buttons that left the game type page (its first
# game) and the options page (Sound) still lit.
walk2=(Down 0 Return 1 Up 0 Return 1 Escape 1 Escape 1
       Down 0 Return 1 Down 0 Down 0 Return 1 Escape 1 Up 0 Up 0 Return 1 Escape 1 Escape 1
       Down 0 Return 1 Escape 1 Down 0 Return 1 Escape 1
       Up 0 Up 0 Up 0 Return 1 Down 0 Return 1 Escape 1 y 1)
walk_tumbletown() { # game label: sets longest, the longest page show of the walk in microseconds
  local pass i before shown walk_keys
  longest=-
  start_tumbletown "$1" "$2" || return 1
  longest=0
  sleep 1
  for pass in 1 2; do
    if [[ $pass == 1 ]]; then walk_keys=("${walk1[@]}"); else walk_keys=("${walk2[@]}"); fi
    xdotool mousemove --window "$win" 402 159
    sleep 0.2
    xdotool mousemove 1020 760
    sleep 0.2
    for ((i = 0; i < ${#walk_keys[@]}; i += 2)); do
      before=$(grep -ac '^key-shown' "$work/log-$2")
      xdotool key "${walk_keys[i]}"
      sleep 0.3
      if [[ ${walk_keys[i + 1]} == 1 ]]; then
        shown=$(grep -a '^key-shown' "$work/log-$2" | sed -n "$((before + 1))p" | awk '{print $2}')
        [[ -n "$shown" ]] && ((shown > longest)) && longest=$shown
        [[ -n "${SHOW_EVERY_PAGE:-}" ]] && echo "walk $pass, key $((i / 2 + 1)) ${walk_keys[i]}: ${shown:-not shown} us" >&2
      fi
    done
    # Longer than the pictures of pages out of view are held.
    [[ $pass == 1 ]] && sleep 5
  done
  stop
}

median() { sort -n | awk '{v[NR] = $1} END {if (NR) print v[int((NR + 1) / 2)]; else print "-"}'; }
mib() { awk -v k="$1" 'BEGIN {if (k == "-") print "-"; else printf "%.1f", k / 1024}'; }
column_median() { awk -v c="$1" '{print $c}' "$2" | median; }

labels=(game)
commands=("$game")
i=1
for other in "$@"; do
  labels+=("other$i")
  commands+=("$other")
  i=$((i + 1))
done
[[ -n "$ltris" ]] && labels+=(ltris)
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
for ((run = 1; run <= runs; run++)); do
  for ((k = 0; k < ${#labels[@]}; k++)); do
    label=${labels[k]}
    figures=''
    if [[ $label == ltris ]]; then
      measure_ltris || continue
      longest=-
    else
      measure_tumbletown "${commands[k]}" "$label" || continue
      walk_tumbletown "${commands[k]}" "$label"
    fi
    read -r mr mp pr pp <<< "$figures"
    echo "$mr $mp $pr $pp $longest" >> "$work/figures-$label"
    printf 'run %d %-7s menu RSS %s MiB PSS %s MiB; play RSS %s MiB PSS %s MiB; longest page show %s us\n' \
      "$run" "$label" "$(mib "$mr")" "$(mib "$mp")" "$(mib "$pr")" "$(mib "$pp")" "$longest"
  done
done
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"
for ((k = 0; k < ${#labels[@]}; k++)); do
  label=${labels[k]}
  f="$work/figures-$label"
  [[ -s "$f" ]] || continue
  name=${commands[k]:-$ltris}
  printf 'median of %d, %s (%s): menu RSS %s MiB PSS %s MiB; play RSS %s MiB PSS %s MiB; longest page show %s us\n' \
    "$(wc -l < "$f")" "$label" "$name" "$(mib "$(column_median 1 "$f")")" "$(mib "$(column_median 2 "$f")")" \
    "$(mib "$(column_median 3 "$f")")" "$(mib "$(column_median 4 "$f")")" "$(column_median 5 "$f")"
done

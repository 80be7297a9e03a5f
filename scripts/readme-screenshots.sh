#!/usr/bin/env bash
# scripts/readme-screenshots.sh [BUILD [OUTDIR]]: the README's screenshots,
# taken from the real game (BUILD/app/tumbletown with BUILD/data, by default
# build/normal) on a fresh Xvfb screen, played with xdotool as a player would,
# with a fresh settings file. Written to OUTDIR (by default
# data/release/screenshots/): the main menu, the game type page with a game
# under the pointer, a game of Fourfall, a name typed into the high-score
# list, a game of Color Fourfall on the nature background and the controls
# page. The game's own random figures make every run a little different:
# look at the pictures before you keep them.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build/normal}
out=${2:-$top/data/release/screenshots}
game=$build/app/tumbletown
data=$build/data
for tool in Xvfb xdotool import; do
  command -v "$tool" > /dev/null || { echo "$tool is missing (scripts/install-deps.sh test installs it)" >&2; exit 1; }
done
[[ -x "$game" && -f "$data/Skin/Menu.jpg" ]] || { echo "no game in $build: build it first" >&2; exit 1; }
. "$top/scripts/xvfb.sh"
mkdir -p "$out"
work=$(mktemp -d)
remove_at_exit "$work"
xvfb_start 1024x768x24
mkdir -m 700 "$work/runtime"
export XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime"
export TUMBLETOWN_DATA_DIR="$data" TUMBLETOWN_TRACE=1

gpid=''
at_exit '[[ -n "$gpid" ]] && kill "$gpid" 2> /dev/null'
"$game" > "$work/log" 2>&1 &
gpid=$!
w=$(timeout 20 xdotool search --sync --onlyvisible --pid "$gpid" --name '^Tumbletown$' | head -1)
[[ -n "$w" ]] || { echo "no game window" >&2; cat "$work/log" >&2; exit 1; }
for _ in $(seq 400); do grep -q '^first-frame' "$work/log" && break; sleep 0.05; done
xdotool windowfocus --sync "$w"

shot() { sleep 0.5; import -window "$w" "$out/$1.png"; echo "$out/$1.png"; }
click() { xdotool mousemove --window "$w" "$1" "$2" click 1; sleep 0.2; }
keys() { for k in "$@"; do xdotool key "$k"; sleep 0.12; done; }
# Whether the window shows the page's picture in a strip across its title.
showing() {
  import -window "$w" "$work/now.png"
  /usr/bin/convert "$work/now.png" -crop 800x30+0+0 +repage "$work/a.png"
  /usr/bin/convert "$data/Skin/$1.jpg" -crop 800x30+0+0 +repage "$work/b.png"
  local n
  n=$(/usr/bin/compare -metric AE -fuzz 15% "$work/a.png" "$work/b.png" null: 2>&1 | cut -d' ' -f1)
  [[ "$n" =~ ^[0-9]+$ ]] && ((n < 800 * 30 / 20))
}

xdotool mousemove --window "$w" 799 599
shot 01-main-menu
click 402 159
xdotool mousemove --window "$w" 402 347
shot 03-game-type
# Fourfall: a few figures placed, the pointer on the way to the menu button.
click 402 213
sleep 2.5
keys Left Left Up Down
sleep 1.2
keys Right Down
sleep 1.2
keys Up Right Right Right Down
sleep 1.2
keys Left Left Left Left Up
sleep 3
xdotool mousemove --window "$w" 133 564
shot 04-play
# Figures dropped until the well is full: the result enters the empty list.
for _ in $(seq 80); do
  showing HighScore && break
  xdotool key Down
  sleep 1.05
done
showing HighScore || { echo "the game did not end on the high-score page" >&2; exit 1; }
keys BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace
xdotool type --delay 120 'Pat'
xdotool mousemove --window "$w" 140 575
shot 06-high-score-entry
# The name taken; no result sent to the world list.
keys Return
sleep 0.5
keys Escape
click 691 509
# The nature background, then a game of Color Fourfall.
click 402 229
click 537 335
click 400 508
click 402 159
click 402 347
sleep 2
keys Left Up Down
sleep 1.2
keys Right Right Up Down
sleep 1.2
xdotool mousemove --window "$w" 402 350
shot 09-play-colour-nature
click 133 564
keys y
# The controls page, Turn waiting for its key.
click 402 229
click 675 508
click 300 227
xdotool mousemove --window "$w" 760 300
shot 11-controls
keys Escape Escape Escape
click 402 440
for _ in $(seq 100); do kill -0 "$gpid" 2> /dev/null || break; sleep 0.05; done

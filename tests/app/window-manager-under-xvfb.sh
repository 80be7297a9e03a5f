#!/usr/bin/env bash
# window-manager-under-xvfb.sh GAME DATADIR OUTDIR: the real game under a real
# window manager (openbox) on Xvfb screens of several sizes:
#   - placement as designed at 1280x1024 and 1920x1080, by the window's outer
#     size; full screen on a 1024x600 screen;
#   - resized to 1600x1200 the picture is exactly twice the design's (sharp);
#     resized to 1920x1080 it keeps its shape, with even bars beside it, and a
#     click on the exit button where it is drawn ends the game;
#   - restarted, the window comes back at its size; F11 goes full screen
#     (2560x1440 and 1024x768), and a restart comes back full screen;
#   - the keys alone walk the main menu to its exit button.
# Screenshots are left in OUTDIR. Exit 77 (skipped) when a tool is missing.
set -uo pipefail
game=$1
data=$2
out=$3
for tool in Xvfb xdotool import xwininfo xprop openbox; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool missing (scripts/install-deps.sh installs it)"; exit 77; }
done
[[ -x /usr/bin/convert && -x /usr/bin/compare ]] || { echo "skipped: ImageMagick missing"; exit 77; }
[[ -f "$data/Skin/Menu.jpg" ]] || { echo "FAIL: no game data in $data (build the tumbletown-data target)"; exit 1; }
. "$(dirname "$0")/../../scripts/xvfb.sh"
mkdir -p "$out"
work=$(mktemp -d)
remove_at_exit "$work"
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" XDG_CACHE_HOME="$work/cache"
export TUMBLETOWN_DATA_DIR="$data" TUMBLETOWN_TRACE=1
export LSAN_OPTIONS="detect_leaks=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
convert=/usr/bin/convert
gpid='' wmpid=''
at_exit '[[ -n "$gpid" ]] && kill "$gpid" 2> /dev/null; [[ -n "$wmpid" ]] && kill "$wmpid" 2> /dev/null'
fail() { echo "FAIL: $*"; echo "--- game output:"; cat "$work/log" 2> /dev/null; exit 1; }

screen() { # WxH: a fresh X screen with openbox running on it
  [[ -n "$wmpid" ]] && { kill "$wmpid" 2> /dev/null; wait "$wmpid" 2> /dev/null; wmpid=''; }
  xvfb_stop
  xvfb_start "$1x24" || fail "no X server"
  # A loaded machine may take its time (60 s); an openbox that could not
  # reach the new server yet is started again, three times at most.
  local attempt
  for attempt in 1 2 3; do
    openbox --sm-disable > "$work/openbox.log" 2>&1 &
    wmpid=$!
    for _ in $(seq 600); do
      xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q 'window id' && return
      kill -0 "$wmpid" 2> /dev/null || break
      sleep 0.1
    done
    wait "$wmpid" 2> /dev/null
    wmpid=''
    sleep 1
  done
  fail "openbox did not start on $1: $(cat "$work/openbox.log")"
}
start() { # CONFIG: the game with that settings folder; sets w
  export XDG_CONFIG_HOME="$1"
  "$game" > "$work/log" 2>&1 &
  gpid=$!
  w=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tumbletown$' | head -1)
  [[ -n "$w" ]] || fail "no window named Tumbletown"
  for _ in $(seq 400); do grep -q '^first-frame' "$work/log" && break; sleep 0.05; done
  sleep 0.5 # the window manager's last moves
}
geometry() { # prints "X Y W H" of the window's client area
  xwininfo -id "$w" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} /Width:/{wd=$2} /Height:/{h=$2} END{print x, y, wd, h}'
}
expect_geometry() { # X Y W H what
  local got; got=$(geometry)
  [[ "$got" == "$1 $2 $3 $4" ]] || fail "$5: window at $got, wanted $1 $2 $3 $4"
  echo "$5: $got"
}
await_end() { # what: the game ends with status 0
  local status=''
  for _ in $(seq 200); do
    if ! kill -0 "$gpid" 2> /dev/null; then wait "$gpid"; status=$?; break; fi
    sleep 0.05
  done
  [[ -n "$status" ]] || fail "the game did not end after $1"
  gpid=''
  (( status == 0 )) || fail "exit status $status after $1"
}
quit_by_keys() { # from the main menu, with nothing lit: Down to Exit, Enter
  xdotool windowfocus --sync "$w" 2> /dev/null
  xdotool mousemove 0 0
  xdotool key --delay 80 Down Down Down Down Down Return
  await_end "the keys to the exit button"
}
shot() { # name
  sleep 0.5
  import -window "$w" "$out/$1.png" || fail "screenshot $1"
}
# Pixels differing by more than the fuzz between a region of a screenshot,
# scaled to 800 x 600 in the given way, and the design-size screenshot.
differing() { # shot region scaling fuzz
  "$convert" "$out/$1.png" -crop "$2" +repage "$3" 800x600\! "$work/a.png" || return
  /usr/bin/compare -metric AE -fuzz "$4" "$work/a.png" "$out/design.png" null: 2>&1 | cut -d' ' -f1
}
expect_same() { # shot region scaling fuzz percent-allowed what
  local n; n=$(differing "$1" "$2" "$3" "$4")
  [[ "$n" =~ ^[0-9]+$ ]] || fail "compare $1: $n"
  (( n * 100 <= 480000 * $5 )) || fail "$6: $n of 480000 pixels differ"
  echo "$6: $n of 480000 pixels differ"
}
expect_even() { # shot region what: one colour all over
  local sd; sd=$("$convert" "$out/$1.png" -crop "$2" +repage -format '%[fx:int(1000*standard_deviation)]' info:)
  (( sd <= 2 )) || fail "$3: not one colour (deviation $sd)"
}

# Placement as designed, by the outer size the window manager tells.
for size in 1280x1024 1920x1080; do
  screen "$size"
  start "$work/place-$size"
  read -r left right top bottom < <(xprop -id "$w" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  sw=${size%x*} sh=${size#*x}
  expect_geometry $(( (sw - 792 - left - right) / 2 + left )) $(( (sh - 573 - top - bottom) / 2 + top )) 800 600 \
    "openbox $size, frame $left $right $top $bottom"
  quit_by_keys
done
screen 1024x600
start "$work/place-1024x600"
expect_geometry 0 0 1024 600 "openbox 1024x600: full screen"
quit_by_keys

# A window resized by the player: sharp at twice the size, shaped and
# clickable at 1920 x 1080, and so again after a restart.
screen 2560x1440
config="$work/resized"
start "$config"
xdotool mousemove --window "$w" 790 590
shot design
xdotool windowsize --sync "$w" 1600 1200
xdotool mousemove --window "$w" 1580 1180
shot windowed-1600x1200
# (1 % fuzz: SDL widens 5-6-5 colours by a step less than ImageMagick does.)
expect_same windowed-1600x1200 1600x1200+0+0 -sample 1% 0 "1600x1200, twice the design's pixels"
# Sharp: every 2x2 square is one colour, so its average is any of its pixels.
"$convert" "$out/windowed-1600x1200.png" -sample 800x600\! "$work/sampled.png"
"$convert" "$out/windowed-1600x1200.png" -scale 800x600\! "$work/averaged.png"
blurred=$(/usr/bin/compare -metric AE -fuzz 1% "$work/sampled.png" "$work/averaged.png" null: 2>&1 | cut -d' ' -f1)
[[ "$blurred" == 0 ]] || fail "1600x1200: $blurred squares of 2x2 pixels are not one colour"
xdotool windowsize --sync "$w" 1920 1080
xdotool mousemove --window "$w" 1670 1070
shot windowed-1920x1080
expect_same windowed-1920x1080 1440x1080+240+0 -resize 10% 3 "1920x1080, the picture 1440x1080 between bars"
expect_even windowed-1920x1080 230x1080+0+0 "the left bar"
expect_even windowed-1920x1080 230x1080+1690+0 "the right bar"
read -r leftX leftY _ < <(geometry)
# The exit button's centre (402, 440) where it is drawn now.
xdotool mousemove --window "$w" $(( 240 + 402 * 1080 / 600 )) $(( 440 * 1080 / 600 )) click 1
await_end "a click on the scaled exit button"
grep -q '"WindowWidth"=dword:00000780' "$config/tumbletown/settings.reg" || fail "width not kept"
start "$config"
expect_geometry "$leftX" "$leftY" 1920 1080 "restarted where it was left, at its size"
xdotool key --window "$w" F11
sleep 1
expect_geometry 0 0 2560 1440 "F11: full screen"
xdotool mousemove 2550 10
shot fullscreen-2560x1440
expect_same fullscreen-2560x1440 1920x1440+320+0 -resize 10% 3 "2560x1440, the picture 1920x1440 between bars"
expect_even fullscreen-2560x1440 310x1440+0+0 "the left bar"
quit_by_keys
start "$config"
expect_geometry 0 0 2560 1440 "restarted full screen"
quit_by_keys

screen 1024x768
start "$work/small"
xdotool key --window "$w" F11
sleep 1
expect_geometry 0 0 1024 768 "F11 at 1024x768: full screen"
xdotool mousemove 1020 760
shot fullscreen-1024x768
expect_same fullscreen-1024x768 1024x768+0+0 -resize 10% 3 "1024x768, the picture fills the screen"
quit_by_keys
echo "window manager under Xvfb: all checks passed"

#!/usr/bin/env bash
# window-manager-under-xvfb.sh GAME DATADIR OUTDIR: the real game under a real
# window manager (openbox) on Xvfb screens of several sizes:
#   - placement as designed at 1280x1024 and 1920x1080, by the window's outer
#     size; full screen on a 1024x600 screen, where F11 gives a window that
#     fits the screen with its frame (shape kept), so again after a restart,
#     and from a place stored on a larger screen;
#   - resized to 1600x1200 the picture is exactly twice the design's (sharp);
#     resized to 1920x1080 it keeps its shape, with even bars beside it, and a
#     click on the exit button where it is drawn ends the game;
#   - restarted, the window comes back at its size; F11 goes full screen
#     (2560x1440 and 1024x768), and a restart comes back full screen;
#   - maximised stays maximised across F11 and Alt+Enter and across a
#     restart, and comes back to its own place and size when restored;
#   - minimised, or with the focus on another window, a running game pauses
#     until P;
#   - destroyed by another client (xdotool windowclose), on the menu or during
#     a game, the game ends with status 0, no X error and its place saved;
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
# The window with its frame wholly on a WxH screen (its work area, with no
# panel), as large as fits, and 4:3 within a pixel.
expect_inside() { # screen-width screen-height what
  local x y wd h left right top bottom
  read -r x y wd h < <(geometry)
  read -r left right top bottom < <(xprop -id "$w" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  (( x - left >= 0 && y - top >= 0 && x + wd + right <= $1 && y + h + bottom <= $2 )) ||
    fail "$3: window at $x $y $wd $h with frame $left $right $top $bottom, not inside $1x$2"
  (( h + top + bottom == $2 || wd + left + right == $1 )) || fail "$3: $wd x $h is not as large as fits"
  (( 3 * wd - 4 * h <= 4 && 4 * h - 3 * wd <= 4 )) || fail "$3: $wd x $h is not 4:3"
  echo "$3: $x $y $wd $h, frame $left $right $top $bottom"
}
set_value() { # config name number: a value of the settings file, by hand
  sed -i "s/^\"$2\"=dword:.*/\"$2\"=dword:$(printf %08x "$3")/" "$1/tumbletown/settings.reg"
}
maximised() { xprop -id "$w" _NET_WM_STATE | grep -q _NET_WM_STATE_MAXIMIZED_VERT; }
toggle_maximised() { # a double click on the title bar
  local x y _
  read -r x y _ < <(geometry)
  xdotool mousemove $(( x + 200 )) $(( y - 8 )) click --repeat 2 --delay 60 1
  sleep 1
}
click() { xdotool mousemove --window "$w" "$1" "$2" click 1; }
# Pixels of the board (208x496+297+46) that differ between two screenshots.
board_differs() { # shot shot
  "$convert" "$out/$1.png" -crop 208x496+297+46 +repage "$work/a.png" &&
    "$convert" "$out/$2.png" -crop 208x496+297+46 +repage "$work/b.png" || return
  /usr/bin/compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 | cut -d' ' -f1
}
expect_board() { # still|moving name what: the board over 2.5 s
  xdotool mousemove --window "$w" 780 20
  shot "$2-a"
  sleep 2.5
  shot "$2-b"
  local n; n=$(board_differs "$2-a" "$2-b")
  [[ "$n" =~ ^[0-9]+$ ]] || fail "compare $2: $n"
  if [[ $1 == still ]]; then (( n == 0 )) || fail "$3: the board changed ($n pixels) while paused"
  else (( n > 0 )) || fail "$3: the board stood still"; fi
  echo "$3: $n pixels of the board changed in 2.5 s"
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
config="$work/place-1024x600"
start "$config"
expect_geometry 0 0 1024 600 "openbox 1024x600: full screen"
# F11: a window that fits the screen with its frame, not 800x600 hanging off
# it; and so again after a restart.
xdotool key --window "$w" F11
sleep 1
expect_inside 1024 600 "F11 at 1024x600: a window"
shot window-1024x600
read -r smallX smallY smallW smallH < <(geometry)
quit_by_keys
start "$config"
expect_geometry "$smallX" "$smallY" "$smallW" "$smallH" "restarted at 1024x600 where it was left"
quit_by_keys
# A window left 1600x1200 on a larger screen comes back scaled down.
set_value "$config" WindowX 0
set_value "$config" WindowY 0
set_value "$config" WindowWidth 1600
set_value "$config" WindowHeight 1200
start "$config"
expect_inside 1024 600 "restarted at 1024x600 from a 1600x1200 window"
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
# Maximised: kept across F11 and Alt+Enter and across a restart; restored,
# the window has its own place and size again.
screen 1280x1024
config="$work/maximised"
start "$config"
read -r normalX normalY normalW normalH < <(geometry)
toggle_maximised
maximised || fail "a double click on the title bar did not maximise the window"
xdotool key --window "$w" F11
sleep 1
expect_geometry 0 0 1280 1024 "F11 from maximised: full screen"
xdotool key --window "$w" F11
sleep 1
maximised || fail "F11 back from full screen: not maximised"
xdotool key --window "$w" alt+Return
sleep 1
expect_geometry 0 0 1280 1024 "Alt+Enter from maximised: full screen"
xdotool key --window "$w" alt+Return
sleep 1
maximised || fail "Alt+Enter back from full screen: not maximised"
echo "maximised again after F11 and after Alt+Enter: $(geometry)"
quit_by_keys
grep -q '"Maximized"=dword:00000001' "$config/tumbletown/settings.reg" || fail "maximised not kept"
start "$config"
maximised || fail "restarted: not maximised"
toggle_maximised
maximised && fail "a double click did not restore the window"
expect_geometry "$normalX" "$normalY" "$normalW" "$normalH" "restored after a restart: its own place and size"
# Maximised, then full screen when the game ended: full screen after a
# restart, and maximised after F11.
toggle_maximised
xdotool key --window "$w" F11
sleep 1
quit_by_keys
start "$config"
expect_geometry 0 0 1280 1024 "restarted full screen"
xdotool key --window "$w" F11
sleep 1
maximised || fail "F11 after a restart in full screen: not maximised"
quit_by_keys

# Minimised, or with the focus on another window, a running game pauses and
# P lets it go on.
start "$work/paused"
xdotool windowfocus --sync "$w"
click 400 160
click 402 213
expect_board moving playing "a game"
xdotool windowminimize --sync "$w"
sleep 3
xdotool windowactivate "$w"
sleep 1
expect_board still minimised "minimised for 3 s, shown again"
xdotool key p
expect_board moving resumed "P after minimised"
xmessage -name elsewhere 'another window' &
mpid=$!
at_exit 'kill "$mpid" 2> /dev/null'
m=$(timeout 20 xdotool search --sync --onlyvisible --classname '^elsewhere$' | head -1)
[[ -n "$m" ]] || fail "no second window"
xdotool windowactivate --sync "$m"
sleep 1
[[ "$(xdotool getwindowfocus)" != "$w" ]] || fail "the game kept the focus"
expect_board still unfocused "the focus on another window"
kill "$mpid"
xdotool windowactivate "$w"
sleep 1
xdotool key p
expect_board moving refocused "P after the focus came back"

# Destroyed by another client (xdotool windowclose, as a task manager might),
# during that game and on the main menu: status 0, no X error, and the place
# saved for the next start.
for moment in play menu; do
  if [[ $moment == menu ]]; then
    config="$work/closed-menu"
    start "$config"
  fi
  xdotool windowmove --sync "$w" 60 80
  sleep 0.5
  read -r cx cy _ < <(geometry)
  xdotool windowclose "$w"
  await_end "the window was destroyed on the $moment"
  ! grep -q 'X Error' "$work/log" || fail "an X error on the $moment"
  grep -q "\"WindowX\"=dword:$(printf %08x "$cx")" "$XDG_CONFIG_HOME/tumbletown/settings.reg" &&
    grep -q "\"WindowY\"=dword:$(printf %08x "$cy")" "$XDG_CONFIG_HOME/tumbletown/settings.reg" ||
    fail "destroyed on the $moment at $cx $cy: place not saved"
  echo "destroyed on the $moment: status 0, place $cx $cy saved"
done
echo "window manager under Xvfb: all checks passed"

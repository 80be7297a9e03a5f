#!/usr/bin/env bash
# game-under-xvfb.sh GAME DATADIR OUTDIR: the real game on a fresh Xvfb screen,
# driven with xdotool: the main menu comes up, a click leads to the game type
# page and another starts a game, keys play it, the board shows tiles, the
# play screen's button leads back, the controls page chooses a key, and the
# exit button ends the program with status 0, the settings file written and
# nothing else left behind.
# Screenshots are left in OUTDIR.
# Exit 77 (skipped) when Xvfb or the X tools are missing.
set -uo pipefail
game=$1
data=$2
out=$3
for tool in Xvfb xdotool import; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool missing (scripts/install-deps.sh installs it)"; exit 77; }
done
[[ -x /usr/bin/convert && -x /usr/bin/compare ]] || { echo "skipped: ImageMagick missing"; exit 77; }
[[ -f "$data/Skin/Menu.jpg" ]] || { echo "FAIL: no game data in $data (build the tumbletown-data target)"; exit 1; }
. "$(dirname "$0")/../../scripts/xvfb.sh"
mkdir -p "$out"
work=$(mktemp -d)
remove_at_exit "$work"
fail() { echo "FAIL: $*"; echo "--- game output:"; cat "$work/log"; exit 1; }
xvfb_start || { echo "FAIL: no X server"; exit 1; }
# A private runtime folder: the sound system's client library would otherwise
# make one of its own in /tmp and leave it there.
mkdir -m 700 "$work/runtime"
export XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime"
export TUMBLETOWN_DATA_DIR="$data" TUMBLETOWN_TRACE=1
# In a sanitizer build: the X11, D-Bus and Mesa libraries SDL loads keep
# allocations until exit and are unloaded before LeakSanitizer looks, so they
# can be neither attributed nor suppressed. The form and the page set are
# leak-checked by their own tests and the headless driver's.
export LSAN_OPTIONS="detect_leaks=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

gpid=''
at_exit '[[ -n "$gpid" ]] && kill "$gpid" 2> /dev/null'
"$game" > "$work/log" 2>&1 &
gpid=$!
w=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tumbletown$' | head -1)
[[ -n "$w" ]] || fail "no window named Tumbletown"
for _ in $(seq 400); do grep -q '^first-frame' "$work/log" && break; sleep 0.05; done
grep -q '^first-frame' "$work/log" || fail "no first frame"
grep '^first-frame' "$work/log"
xdotool windowfocus --sync "$w"

shot() { # name: a screenshot of the window's 800 x 600 client area
  sleep 0.4
  import -window "$w" "$out/$1.png" || fail "screenshot $1"
}
# Pixels that differ by more than 15 % between a screenshot and a skin, in a
# region WxH+X+Y of both.
differing() { # screenshot skin region
  /usr/bin/convert "$1" -crop "$3" +repage "$work/a.png" && /usr/bin/convert "$2" -crop "$3" +repage "$work/b.png" ||
    return
  /usr/bin/compare -metric AE -fuzz 15% "$work/a.png" "$work/b.png" null: 2>&1 | cut -d' ' -f1
}
expect_page() { # screenshot skin region: the region shows the skin's picture
  local n; n=$(differing "$1" "$2" "$3")
  [[ "$n" =~ ^[0-9]+$ ]] || fail "compare $1 with $2: $n"
  local w=${3%%x*} rest=${3#*x}; local h=${rest%%+*}
  (( n * 100 < w * h )) || fail "$1 is not $(basename "$2") in $3: $n pixels differ"
}
click() { xdotool mousemove --window "$w" "$1" "$2" click 1; }

# The main menu, no button under the pointer: the cursor in the corner.
xdotool mousemove --window "$w" 780 20
shot menu
expect_page "$out/menu.png" "$data/Skin/Menu.jpg" 770x550+0+50
# New Game, then the first game type.
click 400 160
xdotool mousemove --window "$w" 780 20
shot game-type
# (Right of the little well, which plays a game.)
expect_page "$out/game-type.png" "$data/Skin/GameType.jpg" 560x550+210+50
click 402 213
xdotool mousemove --window "$w" 780 20
# Play: move, turn, drop and push figures down, then let one fall a while.
for key in Left Left Up Down Right Right Up Down Control_L Control_L Left Up Up Down; do
  xdotool key "$key"
  sleep 0.15
done
sleep 1
shot play
# The board (297, 46, 208, 496) holds tiles where the skin has none.
tiles=$(differing "$out/play.png" "$data/Skin/bg_techno.jpg" 208x496+297+46)
[[ "$tiles" =~ ^[0-9]+$ ]] || fail "compare the board: $tiles"
echo "board: $tiles pixels differ from the empty background"
(( tiles > 3 * 256 )) || fail "no tiles on the board ($tiles pixels differ)"
# Away from the board the play screen shows its background.
expect_page "$out/play.png" "$data/Skin/bg_techno.jpg" 120x40+540+0
kill -0 "$gpid" 2> /dev/null || fail "the game ended by itself"

# Back to the main menu (Y: yes, leave the game running), then out through
# its exit button.
click 133 564
sleep 0.3
xdotool key y
xdotool mousemove --window "$w" 780 20
shot menu-again
expect_page "$out/menu-again.png" "$data/Skin/Menu.jpg" 770x550+0+50
# The controls page from the options page: a click on Move Left and the key A
# choose its key, which the row then shows and the settings file keeps.
click 400 229
click 675 508
xdotool mousemove --window "$w" 780 20
shot controls
expect_page "$out/controls.png" "$data/Skin/Controls.jpg" 180x400+0+120
key_cap=154x22+436+134 # Move Left's key, where the page writes it
written=$(differing "$out/controls.png" "$data/Skin/Controls.jpg" "$key_cap")
(( written > 20 )) || fail "no key written on the Move Left row ($written pixels differ)"
click 300 145
xdotool mousemove --window "$w" 780 20
shot controls-waiting
xdotool key a
shot controls-chosen
[[ "$(differing "$out/controls-waiting.png" "$out/controls-chosen.png" "$key_cap")" -gt 20 ]] ||
  fail "the Move Left row did not change from waiting to the key chosen"
xdotool key Escape Escape
xdotool mousemove --window "$w" 780 20
shot menu-after-controls
expect_page "$out/menu-after-controls.png" "$data/Skin/Menu.jpg" 200x550+0+50
# The question box, drawn inside the window over the page that asks: Clear on
# the high-score page asks, Escape answers No and the page is as it was (Clear
# no longer lit: the pointer is away from it).
click 400 300
click 140 509
xdotool mousemove --window "$w" 780 20
shot question
expect_page "$out/question.png" "$data/Skin/HighScore.jpg" 160x300+0+150
box=$(differing "$out/question.png" "$data/Skin/HighScore.jpg" 460x180+170+210)
[[ "$box" =~ ^[0-9]+$ ]] || fail "compare the box: $box"
(( box > 460 * 180 / 2 )) || fail "no question box over the page ($box pixels differ)"
xdotool key Escape
shot answered
expect_page "$out/answered.png" "$data/Skin/HighScore.jpg" 460x180+170+210
expect_page "$out/answered.png" "$data/Skin/HighScore.jpg" 246x41+17+489
click 691 509
xdotool mousemove --window "$w" 780 20
click 400 440
await_end() { # what ended it: sets status, or fails after 10 s
  status=''
  for _ in $(seq 200); do
    if ! kill -0 "$gpid" 2> /dev/null; then
      wait "$gpid"
      status=$?
      break
    fi
    sleep 0.05
  done
  [[ -n "$status" ]] || fail "the game did not end after $1"
  gpid=''
  (( status == 0 )) || fail "exit status $status after $1"
  grep -q '^closed' "$work/log" || fail "the main loop did not end after $1"
}
await_end "the exit button"
settings="$XDG_CONFIG_HOME/tumbletown/settings.reg"
[[ -f "$settings" ]] || fail "no settings file at $settings"
grep -qF '[HKEY_CURRENT_USER\Software\Kestrovan\Grand Fourfall\Options]' "$settings" || fail "no options in $settings"
grep -q '"KeyLeft"=dword:00000041' "$settings" || fail "the key chosen on the controls page is not in $settings"
# The game leaves its settings file and nothing else: no lock file beside it,
# and no cache of what SDL might load to show the window (an OpenGL renderer
# behind the window's picture leaves Mesa's shader cache).
left=$(cd "$XDG_CONFIG_HOME/tumbletown" && ls -A)
[[ "$left" == settings.reg ]] || fail "the settings folder holds more than the settings file: $left"
[[ -z "$(ls -A "$XDG_CACHE_HOME" 2> /dev/null)" ]] || fail "the game left a cache: $(ls -A "$XDG_CACHE_HOME")"

# Another X client destroys the game's window (xdotool windowclose, as a task
# manager might): the game ends as if closed, with status 0 and no X error,
# on the idle main menu and while a game repaints every tick.
for moment in menu play; do
  "$game" > "$work/log" 2>&1 &
  gpid=$!
  w=$(timeout 20 xdotool search --sync --onlyvisible --pid "$gpid" --name '^Tumbletown$' | head -1)
  [[ -n "$w" ]] || fail "no window named Tumbletown (second start)"
  for _ in $(seq 400); do grep -q '^first-frame' "$work/log" && break; sleep 0.05; done
  if [[ $moment == play ]]; then
    xdotool windowfocus --sync "$w"
    click 400 160
    click 402 213
    sleep 0.5
  fi
  xdotool windowclose "$w"
  await_end "the window was destroyed on the $moment"
  ! grep -q 'X Error' "$work/log" || fail "an X error on the $moment"
  grep -qF '[HKEY_CURRENT_USER\Software\Kestrovan\Grand Fourfall\Options]' "$settings" ||
    fail "the settings file lost its options"
done
echo "game under Xvfb: all checks passed; screenshots in $out"

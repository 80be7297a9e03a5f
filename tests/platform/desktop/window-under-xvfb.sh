#!/usr/bin/env bash
# window-under-xvfb.sh PROBE OUTDIR: runs the window probe on a fresh Xvfb
# screen, drives it with xdotool and checks what it reports and shows. The
# screenshot is left in OUTDIR/window-probe.png. Exit 77 (skipped) when Xvfb
# or xdotool is missing.
set -uo pipefail
probe=$1
out=$2
for tool in Xvfb xdotool import xwininfo; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool missing"; exit 77; }
done
convert=/usr/bin/convert
. "$(dirname "$0")/../../../scripts/xvfb.sh"
mkdir -p "$out"
work=$(mktemp -d)
remove_at_exit "$work"
fail() { echo "FAIL: $*"; echo "--- probe output:"; cat "$work/log"; exit 1; }
xvfb_start || exit 1

"$probe" > "$work/log" 2>&1 &
ppid_=$!
at_exit '[[ -n "$ppid_" ]] && kill "$ppid_" 2> /dev/null'
w=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tumbletown$' | head -1)
[[ -n "$w" ]] || fail "no window named Tumbletown"
for _ in $(seq 100); do grep -q '^presented' "$work/log" && break; sleep 0.05; done
grep -q '^driver x11$' "$work/log" || fail "not on the x11 driver"
# No window manager, so no frame: the design size 792 x 573 is centred.
grep -q '^placement windowed 116,97$' "$work/log" || fail "placement"
geometry=$(xwininfo -id "$w")
grep -q 'Absolute upper-left X:  116' <<< "$geometry" || fail "window x: $geometry"
grep -q 'Absolute upper-left Y:  97' <<< "$geometry" || fail "window y: $geometry"
grep -q 'Width: 800' <<< "$geometry" || fail "width: $geometry"
grep -q 'Height: 600' <<< "$geometry" || fail "height: $geometry"

xdotool windowfocus --sync "$w"
sleep 0.2
# Screenshot: the four quarters and the yellow corner, compared in 5-6-5 terms.
import -window "$w" "$out/window-probe.png" || fail "screenshot"
pixel() { "$convert" "$out/window-probe.png" -format "%[fx:int(255*p{$1,$2}.r)],%[fx:int(255*p{$1,$2}.g)],%[fx:int(255*p{$1,$2}.b)]" info:; }
check_pixel() { # x y r g b (each 0 or 255, compared with a tolerance of 8)
  local got; got=$(pixel "$1" "$2")
  IFS=, read -r r g b <<< "$got"
  for pair in "$r:$3" "$g:$4" "$b:$5"; do
    local v=${pair%%:*} want=${pair##*:}
    (( v >= want - 8 && v <= want + 8 )) || fail "pixel $1,$2 is $got, wanted $3,$4,$5"
  done
}
check_pixel 5 5 255 255 0
check_pixel 200 150 255 0 0
check_pixel 600 150 0 255 0
check_pixel 200 450 0 0 255
check_pixel 600 450 255 255 255
check_pixel 799 599 255 255 255

# Keys: arrows, Ctrl, letters (upper-case codes, their text as characters),
# Backspace and Enter with their characters, a non-ASCII letter as one byte.
xdotool key --delay 30 Left Up Right Down Control_L a BackSpace Return KP_Enter Delete Escape
xdotool type --delay 50 'H'
# xdotool types a letter missing from the keyboard map by remapping a spare
# key for a moment, which a busy machine can lose: try again until it lands.
for _ in $(seq 5); do
  xdotool type --delay 50 'é'
  for _ in $(seq 20); do grep -qx 'KeyPress 233' "$work/log" && break 2; sleep 0.05; done
done
# Auto-repeat: one key-down and then repeats, one key-up.
xdotool keydown Up; sleep 1.2; xdotool keyup Up
# Mouse: every button, clamped positions inside the layout.
xdotool mousemove --window "$w" 100 50 click 1
xdotool mousemove --window "$w" 700 500 click 3
expect_line() { # waits up to 10 s for the probe to print the line
  for _ in $(seq 200); do grep -qxF -- "$1" "$work/log" && return; sleep 0.05; done
  fail "no line '$1'"
}
for line in 'KeyDown 0x25' 'KeyUp 0x25' 'KeyDown 0x26' 'KeyDown 0x27' 'KeyDown 0x28' 'KeyDown 0x11' \
            'KeyDown 0x41' 'KeyPress 97' 'KeyDown 0x08' 'KeyPress 8' 'KeyDown 0x0D' 'KeyPress 13' \
            'KeyDown 0x2E' 'KeyDown 0x1B' 'KeyPress 27' 'KeyPress 72' 'KeyPress 233' \
            'KeyDown 0x26 repeat' 'KeyUp 0x26' 'MouseMove 100,50' 'MouseDown 1 100,50' 'MouseUp 1 100,50' \
            'MouseDown 3 700,500' 'MouseUp 3 700,500' 'Activate'; do
  expect_line "$line"
done
repeats=$(grep -cx 'KeyDown 0x26 repeat' "$work/log")
(( repeats >= 2 )) || fail "only $repeats auto-repeats"
# Enter types exactly one character 13 per key-down (text input sends none).
[[ $(grep -cx 'KeyPress 13' "$work/log") == 2 ]] || fail "KeyPress 13 count"

# The question: a modal box whose default answer (Enter) is No.
xdotool key q
for _ in $(seq 100); do xwininfo -root -tree | grep -q '"Quit?"' && break; sleep 0.05; done
xwininfo -root -tree | grep -q '"Quit?"' || fail "no question box"
box=$(xwininfo -root -tree | grep '"Quit?"' | awk '{print $1}' | head -1)
sleep 0.3
import -window "$box" "$out/window-probe-question.png" || true
answers() { grep -c '^answer' "$work/log"; }
# Press or click again until the box has taken it (it may not be drawn yet).
for _ in $(seq 10); do
  xdotool windowfocus --sync "$box" 2> /dev/null; xdotool key Return
  for _ in $(seq 20); do (( $(answers) == 1 )) && break 2; sleep 0.05; done
done
expect_line 'answer no'
# Asked again, and answered by clicking Yes (the left button of the box).
xdotool key q
box=''
for _ in $(seq 100); do
  box=$(xwininfo -root -tree | grep '"Quit?"' | awk '{print $1}' | head -1)
  [[ -n "$box" ]] && break
  sleep 0.05
done
[[ -n "$box" ]] || fail "no second question box"
for _ in $(seq 10); do
  sleep 0.3
  xdotool mousemove --window "$box" 55 71 click 1
  for _ in $(seq 20); do (( $(answers) == 2 )) && break 2; sleep 0.05; done
done
expect_line 'answer yes'

# The program is asked to end (SIGTERM; a background job ignores SIGINT):
# one Close, exit status 0.
sleep 1
kill -TERM "$ppid_"
wait "$ppid_"
status=$?
ppid_=''
(( status == 0 )) || fail "exit status $status"
expect_line 'Close'
grep -E '^ticks ' "$work/log"
ticks=$(sed -nE 's/^ticks ([0-9]+) in.*/\1/p' "$work/log")
(( ticks >= 10 )) || fail "the 100 ms timer ticked only $ticks times"
echo "window under Xvfb: all checks passed"

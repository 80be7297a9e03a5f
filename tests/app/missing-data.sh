#!/usr/bin/env bash
# missing-data.sh GAME: the game started without its data says so, in a box
# the player sees (a stand-in zenity records it: with no display SDL shows its
# boxes through zenity) and on standard error, and ends with status 1 instead
# of opening a black window.
set -uo pipefail
game=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/data/Sounds" "$work/data/Music"
cat > "$work/bin/zenity" << FAKE
#!/bin/sh
printf '%s\n' "\$@" > "$work/zenity-args"
FAKE
chmod +x "$work/bin/zenity"
unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER
PATH="$work/bin:$PATH" TUMBLETOWN_DATA_DIR="$work/data" XDG_CONFIG_HOME="$work/config" \
  timeout 20 "$game" > "$work/out" 2> "$work/err"
status=$?
fail() { echo "FAIL: $*"; echo "--- stderr:"; cat "$work/err"; exit 1; }
((status == 1)) || fail "exit status $status, not 1"
grep -q "no Skin folder in $work/data" "$work/err" || fail "standard error does not name the folder"
[[ -f "$work/zenity-args" ]] || fail "no box was shown"
grep -qx -- "--title" "$work/zenity-args" && grep -qx "Tumbletown" "$work/zenity-args" || fail "the box has no title"
grep -q "TUMBLETOWN_DATA_DIR" "$work/zenity-args" || fail "the box does not say how to mend it"
[[ ! -e "$work/config" ]] || fail "settings were written by a game that never ran"
echo "missing data reported in a box and on standard error; exit status 1"

#!/usr/bin/env bash
# scripts/check-package.sh DEB [WORKDIR]: tries the Debian package the way a
# player meets it, on a fresh Debian 12 made with debootstrap.
#
#  0. lintian, when this machine has it, finds no error and no warning;
#  1. apt-get installs the package and whatever it depends on;
#  2. the desktop entry, metadata and manual page are in place and valid, and
#     `man tumbletown` shows the page;
#  3. a player starts the menu entry's command from an empty folder under
#     Xvfb: the main menu comes up (screenshot in WORKDIR/menu.png), a
#     question box can be shown and answered (WORKDIR/question.png), and the
#     exit button ends the game with status 0;
#  4. apt-get purge and autoremove leave nothing behind on the system but the
#     player's own settings file.
#
# Needs root, debootstrap and the network. The first run builds a base system
# in WORKDIR/base (a few minutes) and keeps it; every run works on a fresh copy
# of it. Not part of CI: it is a release check, run by hand before a release.
set -euo pipefail
deb=$(realpath "${1:?usage: check-package.sh DEB [WORKDIR]}")
work=$(realpath -m "${2:-/var/tmp/tumbletown-package-check}")
scripts=$(cd "$(dirname "$0")" && pwd)
. "$scripts/debian-root.sh"
((EUID == 0)) || { echo "check-package.sh must run as root (chroot, mounts)" >&2; exit 2; }
command -v debootstrap > /dev/null || { echo "debootstrap is missing: apt-get install debootstrap" >&2; exit 2; }

base=$work/base
# What the check itself uses, installed before the package so that it is not
# counted as the package's: an X server, the X tools to drive and photograph
# the window and find its boxes, and man.
tools="xvfb xauth xdotool x11-utils imagemagick man-db desktop-file-utils appstream"
mkdir -p "$work"
debian_root_base "$base" $tools || exit 1
trap debian_root_unmount EXIT
echo "== fresh copy of the base system in $work/root"
debian_root_fresh "$base" "$work/root"

# Every file and folder of the system, but for those that change on their own
# (logs, caches, apt's lists) and the check's own scratch space.
snapshot() {
  in_root find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /tmp -o -path /run \
    -o -path /var/cache -o -path /var/lib/apt/lists -o -path /var/log -o -path /var/tmp \) -prune -o -print |
    sort
}
# Package lists first, so that what apt-get update writes is no change; and
# the check's own tools, should a base made earlier lack one.
in_root apt-get update -q > /dev/null
in_root apt-get install -y -q --no-install-recommends $tools > /dev/null
snapshot > "$work/files-before.txt"
in_root dpkg-query -W -f '${Package}\n' | sort > "$work/packages-before.txt"

if command -v lintian > /dev/null; then
  echo "== lintian"
  passed=1
  report=$(lintian --fail-on error,warning "$deb" 2>&1) || passed=0
  grep -v 'running with root privileges' <<< "$report" || true
  ((passed)) || { echo "FAIL: lintian found errors or warnings"; exit 1; }
  echo "lintian: no errors, no warnings"
fi

echo "== apt-get install ./$(basename "$deb")"
cp "$deb" "$root/tmp/"
in_root sh -c "cd /tmp && apt-get install -y ./$(basename "$deb")" > "$work/install.log" 2>&1 ||
  { tail -30 "$work/install.log"; echo "FAIL: the package did not install"; exit 1; }
grep -E '^[0-9]+ upgraded, [0-9]+ newly installed' "$work/install.log"

echo "== what a desktop reads"
desktop=/usr/share/applications/org.tumbletown.Tumbletown.desktop
for f in "$desktop" /usr/share/metainfo/org.tumbletown.Tumbletown.metainfo.xml \
  /usr/share/icons/hicolor/{48x48,128x128,256x256}/apps/org.tumbletown.Tumbletown.png /usr/share/man/man6/tumbletown.6.gz; do
  [[ -f "$root$f" ]] || { echo "FAIL: $f is not installed"; exit 1; }
done
in_root desktop-file-validate "$desktop"
in_root appstreamcli validate --no-net /usr/share/metainfo/org.tumbletown.Tumbletown.metainfo.xml
in_root sh -c 'MANWIDTH=80 man tumbletown 2> /dev/null' > "$work/man.txt"
grep -q '^NAME' "$work/man.txt" && grep -q 'tumbletown' "$work/man.txt" ||
  { cat "$work/man.txt"; echo "FAIL: man tumbletown shows no page"; exit 1; }
echo "man tumbletown: $(wc -l < "$work/man.txt") lines, saved in $work/man.txt"

echo "== the menu entry's command, started by a player from an empty folder"
exec_line=$(sed -n 's/^Exec=//p' "$root$desktop" | head -1 | sed 's/ %[fFuUdDnNickvm]//g')
[[ -n "$exec_line" ]] || { echo "FAIL: the desktop entry has no Exec line"; exit 1; }
cp "$scripts/xvfb.sh" "$root/tmp/xvfb.sh"
cat > "$root/tmp/play-as-player.sh" << 'EOF'
#!/bin/bash
# Runs as the player: an X screen, the game from an empty folder, a look at
# the main menu, then the exit button.
set -uo pipefail
exec_line=$1
out=/tmp/play
mkdir -p "$out"
cd "$(mktemp -d)" || exit 1
[[ -z "$(ls -A)" ]] || { echo "FAIL: the start folder is not empty"; exit 1; }
. /tmp/xvfb.sh
xvfb_start || exit 1
export TUMBLETOWN_TRACE=1
fail() { echo "FAIL: $*"; echo "--- game output:"; cat "$out/log"; exit 1; }
sh -c "exec $exec_line" > "$out/log" 2>&1 &
gpid=$!
w=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tumbletown$' | head -1)
[[ -n "$w" ]] || fail "no window named Tumbletown"
for _ in $(seq 400); do grep -q '^first-frame' "$out/log" && break; sleep 0.05; done
grep '^first-frame' "$out/log" || fail "no first frame"
xdotool windowfocus --sync "$w"
xdotool mousemove --window "$w" 780 20
sleep 0.5
import -window "$w" "$out/menu.png" || fail "no screenshot"
# The menu's own picture, as installed, fills the window but for the cursor.
convert "$out/menu.png" -crop 770x550+0+50 +repage "$out/a.png"
convert /usr/share/tumbletown/Skin/Menu.jpg -crop 770x550+0+50 +repage "$out/b.png"
differ=$(compare -metric AE -fuzz 15% "$out/a.png" "$out/b.png" null: 2>&1 | cut -d' ' -f1)
[[ "$differ" =~ ^[0-9]+$ ]] && ((differ * 100 < 770 * 550)) || fail "the window does not show the main menu ($differ pixels differ)"
echo "main menu shown: $differ of $((770 * 550)) pixels differ from the menu picture"
# A question box: High Scores, then Clear asks "Clear?"; Enter answers No.
xdotool mousemove --window "$w" 402 300 click 1
sleep 0.5
xdotool mousemove --window "$w" 140 509 click 1
box=''
for _ in $(seq 100); do
  box=$(xwininfo -root -tree | grep '"Clear?"' | awk '{print $1}' | head -1)
  [[ -n "$box" ]] && break
  sleep 0.05
done
[[ -n "$box" ]] || fail "no question box"
sleep 0.3
import -window "$box" "$out/question.png" || true
for _ in $(seq 10); do
  xdotool windowfocus --sync "$box" 2> /dev/null; xdotool key Return
  for _ in $(seq 20); do xwininfo -root -tree | grep -q '"Clear?"' || break 2; sleep 0.05; done
done
xwininfo -root -tree | grep -q '"Clear?"' && fail "the question box did not take Enter"
echo "the question box came up and took Enter"
xdotool mousemove --window "$w" 690 509 click 1
sleep 0.5
xdotool mousemove --window "$w" 400 440 click 1
for _ in $(seq 200); do kill -0 "$gpid" 2> /dev/null || break; sleep 0.05; done
kill -0 "$gpid" 2> /dev/null && fail "the game did not end after the exit button"
wait "$gpid"
status=$?
((status == 0)) || fail "exit status $status"
echo "the exit button ended the game with status 0"
EOF
chmod +x "$root/tmp/play-as-player.sh"
in_root su player -c "/tmp/play-as-player.sh '$exec_line'" || exit 1
cp "$root/tmp/play/menu.png" "$root/tmp/play/question.png" "$work/" 2> /dev/null || true
cp "$root/tmp/play/log" "$work/game.log"
echo "screenshot: $work/menu.png"
settings=/home/player/.config/tumbletown/settings.reg
[[ -f "$root$settings" ]] || { echo "FAIL: the game wrote no settings at $settings"; exit 1; }

echo "== apt-get purge and autoremove"
in_root sh -c 'apt-get purge -y tumbletown && apt-get autoremove --purge -y' > "$work/remove.log" 2>&1 ||
  { tail -30 "$work/remove.log"; echo "FAIL: the package did not uninstall"; exit 1; }
snapshot > "$work/files-after.txt"
in_root dpkg-query -W -f '${Package}\n' | sort > "$work/packages-after.txt"
kept=$(comm -13 "$work/packages-before.txt" "$work/packages-after.txt" | tr '\n' ' ')
if [[ -n "$kept" ]]; then
  # apt keeps what the check's own tools can use (Xvfb recommends the X
  # fonts, fontconfig names Liberation among its fonts); on a machine where
  # nothing else wants them they go too, and so they go here.
  echo "apt kept these packages the game had pulled in, as the check's tools can use them: $kept"
  in_root apt-get purge -y $kept > "$work/remove-kept.log" 2>&1 ||
    { tail -30 "$work/remove-kept.log"; echo "FAIL: could not purge $kept"; exit 1; }
  echo "purged them as well"
  snapshot > "$work/files-after.txt"
  in_root dpkg-query -W -f '${Package}\n' | sort > "$work/packages-after.txt"
  kept=$(comm -13 "$work/packages-before.txt" "$work/packages-after.txt" | tr '\n' ' ')
  [[ -z "$kept" ]] || { echo "FAIL: still installed: $kept"; exit 1; }
fi
# Files that count as left behind: new since the start, and owned by no
# package that is still installed. Not counted:
#  - the player's settings file and the folders that hold it;
#  - ~/.config/pulse, where the sound system's client library notes its
#    server (made for any program that opens the sound device; every desktop
#    that has played a sound has it);
#  - dpkg's own bookkeeping of file modes (statoverride), which a dependency's
#    install script starts and dpkg keeps.
allowed_re="^(/home/player/\.config|/home/player/\.config/tumbletown|$settings|/home/player/\.config/pulse(/.*)?|/var/lib/dpkg/statoverride(-old)?)\$"
comm -13 "$work/files-before.txt" "$work/files-after.txt" > "$work/files-new.txt"
echo "new files after the round trip, not owned by an installed package:"
left=()
while IFS= read -r f; do
  in_root dpkg-query -S "$f" > /dev/null 2>&1 && continue
  echo "  $f"
  [[ "$f" =~ $allowed_re ]] || left+=("$f")
done < "$work/files-new.txt"
gone=$(comm -23 "$work/files-before.txt" "$work/files-after.txt" || true)
[[ -z "$gone" ]] || { echo "FAIL: the round trip removed files that were there before:"; echo "$gone"; exit 1; }
((${#left[@]} == 0)) || { echo "FAIL: left behind: ${left[*]}"; exit 1; }
echo "package check passed"

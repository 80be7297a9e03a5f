#!/usr/bin/env bash
# scripts/check-first-start.sh [COMMIT...]: a new player's first start, tried
# on a fresh Debian 12 (debootstrap minbase) for each commit of this
# repository (default HEAD), one after the other in the same run:
#
#  1. as root, `./scripts/play.sh` in a copy of the commit's tree: the packages
#     it installed, the seconds to the game's first frame (with the moments
#     the install and the build began), and a screenshot of the main menu on an
#     X screen of this machine (WORKDIR/<commit>/menu.png);
#  2. as a normal user without sudo: what play.sh says, its exit status, and
#     that no package was installed or left half-installed;
#  3. as root without a network: the same;
#  4. the line that message gave, run as root; then play.sh as the user again,
#     without a network and then with one, to the first frame.
#
# Needs root, debootstrap, the network, and Xvfb, xdotool and ImageMagick on
# this machine. WORKDIR (default /var/tmp/tumbletown-first-start) keeps the
# base system between runs. Not part of CI: it takes a quarter of an hour or
# more per commit. TUMBLETOWN_FIRST_START_SKIP_USER=1 leaves out step 4.
set -uo pipefail
work=$(realpath -m "${TUMBLETOWN_FIRST_START_DIR:-/var/tmp/tumbletown-first-start}")
scripts=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$scripts/.." && pwd)
((EUID == 0)) || { echo "check-first-start.sh must run as root (chroot, mounts)" >&2; exit 2; }
for tool in debootstrap Xvfb xdotool import unshare; do
  command -v "$tool" > /dev/null || { echo "$tool is missing" >&2; exit 2; }
done
((${#@})) || set -- HEAD
. "$scripts/xvfb.sh"
. "$scripts/debian-root.sh"
at_exit debian_root_unmount
mkdir -p "$work"
debian_root_base "$work/base" || exit 1
xvfb_start || exit 1

count_packages() { in_root dpkg-query -W -f '${db:Status-Abbrev}\n' | grep -c '^ii'; }
# Packages in any state but installed or removed with its configuration kept:
# what an interrupted install leaves.
half_installed() { in_root dpkg-query -W -f '${db:Status-Abbrev} ${Package}\n' | grep -v '^[ir]i \|^rc ' || true; }
# Microseconds since 1970, and since $t0.
now_us() { echo "${EPOCHREALTIME/./}"; }
since_t0() { local us=$(($(now_us) - t0)); printf '%d.%d' $((us / 1000000)) $((us / 100000 % 10)); }
# Each line of standard input with the seconds since $t0 in front.
stamp() {
  local line
  while IFS= read -r line; do
    printf '%8s %s\n' "$(since_t0)" "$line"
  done
}
# The tree of a commit, owned by user (root or player), in the root's folder.
unpack_tree() { # commit folder user
  mkdir -p "$root$2"
  git -C "$repo" archive "$1" | tar -x -C "$root$2"
  in_root chown -R "$3:$3" "$2"
}

# Starts play.sh as user (root or player) with the X screen of this machine
# and waits for the first frame; sets $seconds to the seconds it took and
# $game to the game's process.
first_frame() { # user log
  local user=$1 log=$2 folder=/root/tumbletown
  [[ $user == root ]] || folder=/home/player/tumbletown
  local command="cd $folder && DISPLAY=$DISPLAY TUMBLETOWN_TRACE=1 exec ./scripts/play.sh"
  t0=$(now_us)
  if [[ $user == root ]]; then
    # root's PATH as Debian's /etc/profile sets it
    chroot "$root" env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
      HOME=/root sh -c "$command" > >(stamp > "$log") 2>&1 &
  else
    chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin su - "$user" -c "$command" > >(stamp > "$log") 2>&1 &
  fi
  game=$!
  local _
  for _ in $(seq 7200); do
    grep -q ' first-frame' "$log" 2> /dev/null && break
    kill -0 "$game" 2> /dev/null || break
    sleep 0.5
  done
  grep -q ' first-frame' "$log" || { echo "FAIL: no first frame; the end of $log:"; tail -20 "$log"; return 1; }
  seconds=$(since_t0)
}
stop_game() {
  kill "$game" 2> /dev/null
  wait "$game" 2> /dev/null
}
screenshot() { # file
  local w
  w=$(timeout 20 xdotool search --sync --onlyvisible --name '^Tumbletown$' | head -1)
  [[ -n "$w" ]] || { echo "FAIL: no window named Tumbletown"; return 1; }
  xdotool mousemove --window "$w" 780 20
  sleep 0.5
  import -window "$w" "$1"
}
# A run that must fail politely: exit status not 0, no package installed or
# half-installed, and what it said.
must_refuse() { # label out status before
  local label=$1 out=$2 status=$3 before=$4 after
  after=$(count_packages)
  echo "-- $label: exit status $status; packages before $before, after $after; it said:"
  sed 's/^/   | /' "$out" | head -20
  (($(wc -l < "$out") <= 20)) || echo "   | ... ($(wc -l < "$out") lines in all, in $out)"
  local bad=0
  ((status != 0)) || { echo "FAIL: exit status 0"; bad=1; }
  ((after == before)) || { echo "FAIL: the package count changed"; bad=1; }
  [[ -z "$(half_installed)" ]] || { echo "FAIL: half-installed: $(half_installed)"; bad=1; }
  return $bad
}

failed=0
for commit in "$@"; do
  name=$(git -C "$repo" rev-parse --short "$commit") || exit 2
  out=$work/$name
  mkdir -p "$out"
  echo
  echo "==== $name: $(git -C "$repo" log -1 --format=%s "$commit")"
  echo "load: $(uptime)"

  echo "== 1. root runs ./scripts/play.sh on a fresh system"
  debian_root_fresh "$work/base" "$work/root"
  unpack_tree "$commit" /root/tumbletown root
  before=$(count_packages)
  if first_frame root "$out/play-root.log"; then
    after=$(count_packages)
    installed=$((after - before))
    install_at=$(awk '/Installing/ {print $1; exit}' "$out/play-root.log")
    build_at=$(awk '/-- (The C compiler|Configuring)/ {print $1; exit}' "$out/play-root.log")
    steps=$(grep -oE '\[[0-9]+/[0-9]+\]' "$out/play-root.log" | tail -1)
    screenshot "$out/menu.png" || failed=1
    stop_game
    echo "packages installed: $installed ($before before, $after after)"
    echo "first frame after ${seconds} s (install began at ${install_at:-?} s, the build at ${build_at:-?} s," \
      "build steps ${steps:-?}); $(grep ' first-frame' "$out/play-root.log" | cut -c10-)"
    echo "main menu: $out/menu.png; load: $(uptime)"
  else
    failed=1
    stop_game
    echo "packages installed before it stopped: $(($(count_packages) - before))"
  fi

  echo "== 2. a normal user without sudo runs ./scripts/play.sh"
  debian_root_fresh "$work/base" "$work/root"
  unpack_tree "$commit" /home/player/tumbletown player
  before=$(count_packages)
  in_root su - player -c 'cd tumbletown && ./scripts/play.sh' > "$out/no-sudo.log" 2>&1
  must_refuse "no sudo" "$out/no-sudo.log" $? "$before" || failed=1
  [[ ! -e "$root/home/player/tumbletown/build" ]] || { echo "FAIL: something was built"; failed=1; }

  echo "== 3. root without a network runs ./scripts/play.sh"
  unpack_tree "$commit" /root/tumbletown root
  unshare -n chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 HOME=/root \
    sh -c 'cd /root/tumbletown && ./scripts/play.sh' > "$out/no-network.log" 2>&1
  must_refuse "no network" "$out/no-network.log" $? "$before" || failed=1

  [[ "${TUMBLETOWN_FIRST_START_SKIP_USER:-0}" == 0 ]] || continue
  echo "== 4. root runs the line the message gave; the user plays"
  line=$(grep -A1 'as root' "$out/no-sudo.log" | grep -m1 '^  apt-get' | sed 's/^  //')
  if [[ -z "$line" ]]; then
    echo "no apt-get line in the message"
    failed=1
    continue
  fi
  echo "as root: $line"
  in_root sh -c "$line" > "$out/line.log" 2>&1 || { echo "FAIL: the line failed"; tail "$out/line.log"; failed=1; continue; }
  before=$(count_packages)
  unshare -n chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    su - player -c 'cd tumbletown && ./scripts/play.sh' > "$out/user-no-network.log" 2>&1
  must_refuse "the user, the packages installed, no network" "$out/user-no-network.log" $? "$before" || failed=1
  if first_frame player "$out/play-user.log"; then
    echo "the user's first frame after ${seconds} s, nothing more installed: $(($(count_packages) - before)) packages"
    screenshot "$out/menu-user.png" || failed=1
  else
    failed=1
  fi
  stop_game
done
debian_root_unmount
((failed == 0)) && echo "first-start check passed" || echo "first-start check FAILED"
exit $failed

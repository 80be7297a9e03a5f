#!/usr/bin/env bash
# measure-first-frame.sh GAME DATADIR PROBE [RUNS [OTHER_GAME...]]: on a fresh
# Xvfb screen, the time from exec of the game to its complete main menu on
# screen, as the X server holds it (the probe reads the window's pixels), and
# the game's CPU time by then, for RUNS runs (7 by default) and their
# medians. With other games (an older build, say), their runs take turns
# with GAME's, so that a change of the machine's load meanwhile weighs on
# each alike. Not a test: timings on a shared machine vary.
set -uo pipefail
game=$1
data=$2
probe=$3
runs=${4:-7}
shift $(($# < 4 ? $# : 4))
command -v Xvfb > /dev/null || { echo "needs Xvfb"; exit 77; }
. "$(dirname "$0")/../../scripts/xvfb.sh"
work=$(mktemp -d)
remove_at_exit "$work"
xvfb_start || exit 1
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" TUMBLETOWN_DATA_DIR="$data"
commands=("$game")
for other in "$@"; do
  commands+=(-- "$other")
done
"$probe" "$runs" "${commands[@]}" 2> /dev/null

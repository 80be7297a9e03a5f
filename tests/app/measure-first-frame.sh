#!/usr/bin/env bash
# measure-first-frame.sh GAME DATADIR PROBE [RUNS]: on a fresh Xvfb screen,
# the time from exec of the game to its complete main menu on screen, as the
# X server holds it (the probe reads the window's pixels), for RUNS runs (7 by
# default) and their median. Not a test: timings on a shared machine vary.
set -uo pipefail
game=$1
data=$2
probe=$3
runs=${4:-7}
command -v Xvfb > /dev/null || { echo "needs Xvfb"; exit 77; }
. "$(dirname "$0")/../../scripts/xvfb.sh"
work=$(mktemp -d)
remove_at_exit "$work"
xvfb_start || exit 1
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" TUMBLETOWN_DATA_DIR="$data"
"$probe" "$runs" "$game" 2> /dev/null

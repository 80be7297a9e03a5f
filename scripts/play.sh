#!/usr/bin/env bash
# scripts/play.sh: installs what building and playing need (and only that),
# builds the game and its data, and starts it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh" play
dir=$("$top/scripts/build.sh" play)
# The build tree keeps the generated skins, sounds and music in data/.
TUMBLETOWN_DATA_DIR=${TUMBLETOWN_DATA_DIR:-$dir/data} exec "$dir/app/tumbletown" "$@"

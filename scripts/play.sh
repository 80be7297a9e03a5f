#!/usr/bin/env bash
# scripts/play.sh: installs what is missing, builds the game and starts it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
dir=$("$top/scripts/build.sh" normal)
if [[ -x "$dir/app/tumbletown" ]]; then
  # The build tree keeps the generated skins, sounds and music in data/.
  TUMBLETOWN_DATA_DIR=${TUMBLETOWN_DATA_DIR:-$dir/data} exec "$dir/app/tumbletown" "$@"
fi
echo "Built everything in $dir; the game itself is not there yet, so there is nothing to start."

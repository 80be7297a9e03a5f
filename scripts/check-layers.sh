#!/usr/bin/env bash
# Checks the layering of the source tree and prints every offending include:
#  - SDL is included only in platform/ and app/;
#  - rules/ includes nothing of the project but rules/ and store/;
#  - sound/ includes nothing of the project but sound/.
# Exit status 1 when anything is out of place.
set -uo pipefail
top=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$top" || exit 2
bad=0
sources() { find "$@" -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' -o -name '*.cc' -o -name '*.c' \) 2>/dev/null; }

while IFS= read -r hit; do
  echo "SDL outside platform/ and app/: $hit"; bad=1
done < <(sources $(ls -d */ | grep -vxE 'platform/|app/|build/') | xargs -r grep -HnE '^\s*#\s*include\s*[<"](SDL2/)?SDL[A-Za-z0-9_]*\.h[>"]' )

check_only() { # folder, allowed project folders (regex)
  local folder=$1 allowed=$2
  while IFS= read -r hit; do
    echo "$folder/ includes a higher layer: $hit"; bad=1
  done < <(sources "$folder" | xargs -r grep -HnE '^\s*#\s*include\s*"' | grep -vE "#\s*include\s*\"($allowed)/" | grep -E '#\s*include\s*"(app|wlib|screens|store|platform|sound|rules)/')
}
check_only rules 'rules|store'
check_only sound 'sound'
exit $bad

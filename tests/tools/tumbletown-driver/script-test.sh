#!/usr/bin/env bash
# The driver binary from a script file: to a game and out through the exit
# button, with the screenshot written and the output as documented.
set -euo pipefail
driver=$1
content=${2:-}
tour=$(cd "$(dirname "$0")/../../../tools/tumbletown-driver" && pwd)/tour.script
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/store" "$work/data"
cat > "$work/script" <<'SCRIPT'
# main menu -> game type -> classic game
click 402 159
click 402 213
advance 2500
key Left
screen
screenshot SHOT
answer yes
click 133 564
click 402 440
screen
SCRIPT
sed -i "s|SHOT|$work/play.png|" "$work/script"
"$driver" "$work/data" "$work/store" "$work/script" --seed 3 > "$work/out"
grep -q '"page":"Play"' "$work/out"
[[ $(tail -n 1 "$work/out") == closed ]]
[[ $(grep -c '"page"' "$work/out") == 1 ]] # nothing runs after the window closed
[[ -s "$work/play.png" ]]
[[ -s "$work/store/settings.reg" ]]
# A bad line: status 2
if "$driver" "$work/data" "$work/store" <<< "fly away" 2>/dev/null; then exit 1; fi
# The tour of every screen over the game's built content, when there is some.
if [[ -d "$content/Skin" ]]; then
  mkdir -p "$work/tour" "$work/tour-store"
  (cd "$work/tour" && "$driver" "$content" "$work/tour-store" "$tour" > out)
  [[ $(ls "$work/tour"/*.png | wc -l) == 11 ]]
  grep -q '^question "Send the result to World' "$work/tour/out"
fi
echo ok

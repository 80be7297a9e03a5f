#!/usr/bin/env bash
# check-headless.sh GAME TOOL...: the game's binary loads the desktop
# libraries (SDL2, X11, FreeType, libpng), which shows that ldd sees them;
# each headless tool loads none of them.
set -uo pipefail
game=${1:?usage: check-headless.sh GAME TOOL...}
shift
desktop='lib(SDL2|X11|freetype|png)[-.0-9]*\.so'
bad=0
# Each list is read whole first: grep -q leaving early would fail ldd's pipe.
libs=$(ldd "$game")
for lib in SDL2 X11 freetype png; do
  grep -qE "lib$lib[-.0-9]*\.so" <<<"$libs" || { echo "the game does not link lib$lib: is ldd blind?"; bad=1; }
done
for tool in "$@"; do
  hits=$(ldd "$tool" | grep -E "$desktop")
  if [[ -n $hits ]]; then
    echo "$(basename "$tool") loads desktop libraries:"; echo "$hits"; bad=1
  else
    echo "$(basename "$tool"): headless ($(ldd "$tool" | wc -l) libraries, none of SDL2, X11, FreeType, libpng)"
  fi
done
exit $bad

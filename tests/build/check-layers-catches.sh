#!/usr/bin/env bash
# check-layers-catches.sh CHECKER: builds a scratch tree with one folder per
# row of the checker's table, each file including only what its row allows,
# and expects the checker to pass it; then plants faults and expects each to
# be named: for every row an include of a folder the row does not name and a
# link the row does not name, a link the row names left out; every common
# spelling of SDL's headers and the other desktop libraries outside
# platform/desktop/; a folder with no row; and two broken tables (a row naming
# a folder above it, and one naming a folder with no row).
set -euo pipefail
checker=$1
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
tree=$tmp/tree
"$checker" --table > "$tmp/table"
mapfile -t rows < <(awk 'NF { print $1 }' "$tmp/table")
allowed() { awk -v r="$1" '$1 == r { for (i = 2; i <= NF; i++) print $i }' "$tmp/table"; }

# A clean tree and the links a correct build would declare.
: > "$tmp/links"
for r in "${rows[@]}"; do
  mkdir -p "$tree/$r"
  echo "#include \"$r/Own.h\"" > "$tree/$r/Own.cpp"
  for a in $(allowed "$r"); do echo "#include \"$a/Own.h\"" >> "$tree/$r/Own.cpp"; done
  echo "links $r: $(allowed "$r" | tr '\n' ' ')" >> "$tmp/links"
  echo "libs $r: Threads::Threads" >> "$tmp/links"
done
echo '#include <SDL2/SDL.h>' >> "$tree/platform/desktop/Own.cpp"
echo '#include <ft2build.h>' >> "$tree/platform/desktop/Own.cpp"
echo '#include "SDLish/Thing.h"' >> "$tree/wlib/Own.cpp"
echo 'libs platform/desktop: SDL2::SDL2 X11::X11 PNG::PNG' >> "$tmp/links"
out=$("$checker" --links "$tmp/links" "$tree") || { echo "clean tree rejected:"; echo "$out"; exit 1; }

missed=0
expect() { # text the checker's output must hold
  grep -qF -- "$1" <<<"$out" || { echo "checker missed: $1"; missed=1; }
}

# One include fault per row: the first row, other than its own, that it may not name.
for r in "${rows[@]}"; do
  for other in "${rows[@]}"; do
    if [[ $other != "$r" ]] && ! grep -qx -- "$other" <<<"$(allowed "$r")"; then
      echo "#include \"$other/Own.h\"" > "$tree/$r/Bad.cpp"
      break
    fi
  done
done
# SDL in every common spelling, and the other desktop libraries.
echo '#include <SDL.h>' > "$tree/wlib/BareSdl.cpp"
echo '  #  include "SDL_audio.h"' > "$tree/store/QuotedSdl.h"
echo '#include <SDL2/SDL_syswm.h>' > "$tree/rules/SdlPart.cpp"
echo '#include <X11/Xlib.h>' > "$tree/screens/X11.cpp"
echo '#include <fontconfig/fontconfig.h>' > "$tree/wlib/graphics/Fonts.cpp"
echo '#include <png.h>' > "$tree/sound/Png.cpp"
mkdir -p "$tree/nowhere" && echo 'int x;' > "$tree/nowhere/Lost.cpp"
out=$("$checker" "$tree" || true)
for r in "${rows[@]}"; do
  [[ -f $tree/$r/Bad.cpp ]] && expect "$r/Bad.cpp"
done
for f in wlib/BareSdl.cpp store/QuotedSdl.h rules/SdlPart.cpp screens/X11.cpp wlib/graphics/Fonts.cpp sound/Png.cpp; do
  expect "$f"
done
expect "no row for folder nowhere/"
rm -f "$tree"/*/Bad.cpp "$tree"/*/*/Bad.cpp "$tree"/wlib/BareSdl.cpp "$tree"/store/QuotedSdl.h "$tree"/rules/SdlPart.cpp \
      "$tree"/screens/X11.cpp "$tree"/wlib/graphics/Fonts.cpp "$tree"/sound/Png.cpp
rm -r "$tree/nowhere"

# One link fault per row: a link its row does not name; and one named link
# left out (for rows that name any).
for r in "${rows[@]}"; do
  for other in "${rows[@]}"; do
    if [[ $other != "$r" ]] && ! grep -qx -- "$other" <<<"$(allowed "$r")"; then
      sed "s|^links $r: |links $r: $other |" "$tmp/links" > "$tmp/bad-links"
      out=$("$checker" --links "$tmp/bad-links" "$tree" || true)
      expect "$r/ links $other/, which its row does not name"
      break
    fi
  done
  first=$(allowed "$r" | head -n 1)
  if [[ -n $first ]]; then
    awk -v r="$r" -v f="$first" '$1 == "links" && $2 == r ":" { for (i = 3; i <= NF; i++) if ($i == f) $i = "" } 1' \
      "$tmp/links" > "$tmp/bad-links"
    out=$("$checker" --links "$tmp/bad-links" "$tree" || true)
    expect "$r/ does not link $first/, which its row names"
  fi
done
echo 'libs rules: SDL2::SDL2' >> "$tmp/links"
out=$("$checker" --links "$tmp/links" "$tree" || true)
expect "rules/ links the desktop library SDL2::SDL2"

# Broken tables: a row naming a folder above it, and one naming no row.
{ echo "low high"; echo "high"; } > "$tmp/up-table"
mkdir -p "$tmp/empty"
out=$(TUMBLETOWN_LAYER_TABLE=$tmp/up-table "$checker" "$tmp/empty" || true)
expect "row low names high, which is not below it"
{ echo "low"; echo "high ghost"; } > "$tmp/ghost-table"
out=$(TUMBLETOWN_LAYER_TABLE=$tmp/ghost-table "$checker" "$tmp/empty" || true)
expect "row high names ghost, which has no row"

((missed == 0)) || exit 1
echo "checker caught every fault (${#rows[@]} rows)"

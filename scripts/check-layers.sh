#!/usr/bin/env bash
# scripts/check-layers.sh [--links FILE] [TOP]: checks the layering of the
# source tree against the table below and prints every offence.
#   - Every source folder (outside tests/, bench/ and build folders) belongs
#     to a row: its own or the nearest enclosing one.
#   - A file includes from its own folder and from the folders its row names,
#     nothing else of the project.
#   - The table runs one way: every folder a row names has a row of its own,
#     and no chain of rows leads back to where it started.
#   - SDL, X11, FreeType and fontconfig headers appear only in
#     platform/desktop/ (and its tests); libpng's also in tools/make-icons/.
#   - With --links FILE (written by the build as layer-links.txt): each
#     folder's targets link exactly the folders of its row, and only
#     platform/desktop/ (and make-icons, for libpng) links the desktop
#     libraries.
# scripts/check-layers.sh --table prints the table. TUMBLETOWN_LAYER_TABLE=FILE
# puts another table in its place (for the checker's own test).
# Exit status 1 when anything is out of place, 2 on bad arguments.
set -uo pipefail

# The layers, lowest first: a folder, then every folder it may include and
# its build targets link. Nothing else of the project is allowed.
table() {
  if [[ -n ${TUMBLETOWN_LAYER_TABLE:-} ]]; then
    cat "$TUMBLETOWN_LAYER_TABLE"
    return
  fi
  cat <<'EOF'
platform
platform/desktop          platform
wlib/base                 platform
wlib/graphics             wlib/base platform/desktop platform
wlib                      wlib/graphics wlib/base platform/desktop platform
sound                     platform
wlib/sound                wlib wlib/base sound
rules
web                       rules
store                     rules platform
screens/layout
screens                   screens/layout wlib wlib/sound wlib/graphics wlib/base rules store platform/desktop platform
app                       screens wlib wlib/graphics wlib/sound wlib/base rules store platform/desktop platform
server                    store rules platform
tools/fourfall-replay     rules
tools/hss-render          sound platform
tools/make-icons
tools/make-music
tools/make-skins          screens/layout platform/desktop
tools/make-sounds
tools/make-web-tiles      wlib/graphics platform/desktop
tools/tumbletown-driver   screens wlib store rules platform/desktop platform
tools/loopback
tools/tumbletown-scores-bench server store tools/loopback
EOF
}

links=""
if [[ ${1:-} == --table ]]; then
  table
  exit 0
fi
if [[ ${1:-} == --links ]]; then
  links=${2:?usage: check-layers.sh [--links FILE] [TOP]}
  [[ -r $links ]] || { echo "cannot read $links"; exit 2; }
  links=$(cd "$(dirname "$links")" && pwd)/$(basename "$links")
  shift 2
fi
top=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$top" || exit 2

awk -v links="$links" '
  # The table, from the first input.
  FNR == NR {
    if (NF == 0) next
    row[$1] = 1; order[++rows] = $1
    for (i = 2; i <= NF; i++) { allow[$1, $i] = 1; names[$1] = names[$1] " " $i }
    next
  }
  function layer_of(path,   best, r, i) {
    best = ""
    for (i = 1; i <= rows; i++) {
      r = order[i]
      if ((path == r || index(path, r "/") == 1) && length(r) > length(best)) best = r
    }
    return best
  }
  function fail(text) { print text; bad = 1 }
  # The source files, one path a line, from the second input.
  FILENAME == "-" {
    file = $0; folder = file; sub(/\/[^\/]*$/, "", folder)
    own = layer_of(file)
    test = (file ~ /^(tests|bench)\//)
    if (!test && own == "") { if (!(folder in told)) fail("no row for folder " folder "/"); told[folder] = 1 }
    desktop_ok = (file ~ /^(tests\/)?platform\/desktop\//)
    png_ok = desktop_ok || file ~ /^tools\/make-icons\//
    n = 0
    while ((getline text < file) > 0) {
      n++
      if (text !~ /^[ \t]*#[ \t]*include[ \t]*[<"]/) continue
      header = text; sub(/^[ \t]*#[ \t]*include[ \t]*[<"]/, "", header); sub(/[>"].*$/, "", header)
      if (!desktop_ok && header ~ /^(SDL2\/)?SDL[A-Za-z0-9_]*\.h$/)
        fail("SDL outside platform/desktop/: " file ":" n ": " text)
      if (!desktop_ok && header ~ /^(X11\/|ft2build\.h|freetype\/|fontconfig\/)/)
        fail("desktop library outside platform/desktop/: " file ":" n ": " text)
      if (!png_ok && header ~ /^(libpng[0-9]*\/)?png\.h$/)
        fail("libpng outside platform/desktop/: " file ":" n ": " text)
      if (test || text !~ /"/) continue
      target = layer_of(header)
      if (target == "") {
        top_folder = header; sub(/\/.*$/, "", top_folder)
        if (top_folder in project) fail(own "/ includes " header ", which is in no layer: " file ":" n)
        continue
      }
      if (target != own && !((own, target) in allow))
        fail(own "/ includes " target "/, which its row does not name: " file ":" n ": " text)
    }
    close(file)
    next
  }
  # The links the build declared, from the third input.
  FILENAME == links {
    kind = $1; folder = $2; sub(/:$/, "", folder)
    if (kind == "links") {
      if (!(folder in row)) { fail("build folder " folder "/ has no row"); next }
      seen_links[folder] = 1
      for (i = 3; i <= NF; i++) {
        linked[folder, $i] = 1
        if (!((folder, $i) in allow)) fail(folder "/ links " $i "/, which its row does not name")
      }
    } else if (kind == "libs") {
      for (i = 3; i <= NF; i++) {
        if ($i ~ /^(SDL2::|X11::|PkgConfig::FREETYPE|PkgConfig::FONTCONFIG)/ && folder != "platform/desktop")
          fail(folder "/ links the desktop library " $i)
        if ($i ~ /^PNG::/ && folder != "platform/desktop" && folder != "tools/make-icons")
          fail(folder "/ links the desktop library " $i)
      }
    }
    next
  }
  BEGIN {
    split("platform wlib sound rules store screens app tools server tests bench", p, " ")
    for (i in p) project[p[i]] = 1
  }
  END {
    # Every named folder has a row, and the rows run one way: a folder may
    # only name rows above it in the table.
    for (i = 1; i <= rows; i++) {
      r = order[i]; pos[r] = i
    }
    for (i = 1; i <= rows; i++) {
      r = order[i]; k = split(names[r], named, " ")
      for (j = 1; j <= k; j++) {
        if (!(named[j] in row)) fail("row " r " names " named[j] ", which has no row")
        else if (pos[named[j]] >= i) fail("row " r " names " named[j] ", which is not below it: the table must run one way")
      }
    }
    if (links != "") {
      for (i = 1; i <= rows; i++) {
        r = order[i]
        if (!(r in seen_links)) { fail("row " r " has no targets in the build"); continue }
        k = split(names[r], named, " ")
        for (j = 1; j <= k; j++)
          if (!((r, named[j]) in linked)) fail(r "/ does not link " named[j] "/, which its row names")
      }
    }
    exit bad
  }
' <(table) - ${links:+"$links"} < <(find . -type d \( -path './build*' -o -path ./.git \) -prune -o -type f \
        \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' -o -name '*.cc' -o -name '*.c' \) -print | sed 's|^\./||' | sort)

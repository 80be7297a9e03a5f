#!/usr/bin/env bash
# The score server runs on a machine with no display: its executable needs
# none of the window, font, picture or sound libraries.
#   check-no-desktop.sh EXECUTABLE
set -euo pipefail
libraries=$(ldd "$1")
if grep -iE 'libSDL2|libX11|libXext|libfreetype|libfontconfig|libpng|libjpeg|libasound|libpulse' <<< "$libraries"; then
  echo "the server needs a desktop library (above)"
  exit 1
fi
grep -q libmicrohttpd <<< "$libraries" || { echo "ldd did not list the server's own libraries:"; echo "$libraries"; exit 1; }
echo ok

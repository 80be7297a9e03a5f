#!/usr/bin/env bash
# Installs every Debian package that building, playing and testing Tumbletown
# needs, and only those that are missing. Runs as root as is, through sudo
# otherwise.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config clang clang-format libclang-rt-14-dev
  # the game's libraries and fonts
  libsdl2-dev libx11-dev libfreetype-dev libfontconfig-dev libjpeg62-turbo-dev libpng-dev fonts-liberation2
  # the score server's libraries: HTTP, SQLite, PostgreSQL's client
  libmicrohttpd-dev libsqlite3-dev libpq-dev
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # testing a real window; SDL's question boxes need the X core fonts
  xvfb xfonts-base xdotool x11-utils imagemagick
  # checking the desktop files and the manual page
  desktop-file-utils appstream man-db groff-base
  # the score server's tests: a PostgreSQL server of their own, a browser for
  # the world page, systemd-analyze for the service file
  postgresql chromium systemd
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# scripts/install-deps.sh [play|test]: installs the Debian packages that are
# missing for one purpose, and only those.
#   play  building the game and playing it (scripts/play.sh);
#   test  everything: the tests, benchmarks, fuzzers, checks and tools
#         (scripts/test.sh and CI; the default).
# Runs apt-get as is for root, through sudo otherwise. Where neither is
# possible, or apt-get fails (no network, say), it changes nothing, names the
# missing packages and the one line that installs them as root, and exits 1.
set -euo pipefail
purpose=${1:-test}
top=$(cd "$(dirname "$0")/.." && pwd)

# Building and playing: the compiler and build tools, the game's libraries,
# its default font, and the X core fonts SDL draws its question boxes with.
# SDL is the library alone: its headers come from libsdl2-dev unpacked (see
# sdl_headers below), as the installed package would bring the development
# files of every SDL back end, about 100 packages more.
play_packages=(
  g++ make cmake ninja-build pkg-config
  libsdl2-2.0-0 libx11-dev libfreetype-dev libfontconfig-dev libjpeg62-turbo-dev libpng-dev
  fonts-liberation2 xfonts-base
)
# Everything else developers and CI need, on top of playing. Add new test
# dependencies here, one group a line.
test_packages=(
  # the full tool chain (dpkg-dev makes the Debian package) and SDL's own
  # development package, a second compiler, the format check, the sanitizers
  build-essential libsdl2-dev clang clang-format libclang-rt-14-dev
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # testing a real window
  xvfb xdotool x11-utils imagemagick
  # a real window manager for the placement and full-screen tests
  openbox
  # checking the desktop files and the manual page
  desktop-file-utils appstream man-db groff-base
  # the score server (not part of a play build): its HTTP, SQLite and
  # PostgreSQL client libraries, and OpenSSL's libcrypto for the keyed hash
  # that signs the seeds it deals
  libmicrohttpd-dev libsqlite3-dev libpq-dev libssl-dev
  # the score server's tests: a PostgreSQL server of their own, a browser for
  # the world page, systemd-analyze for the service file, nginx as the
  # reverse proxy in front of it
  postgresql chromium systemd nginx-light
  # the race test damages and forges a replay in the server's SQLite database
  sqlite3
  # the game's named stream on a sound server of the test's own (a null sink)
  pulseaudio pulseaudio-utils
  # the rules built to WebAssembly for the server's replay viewer, and curl
  # to read its answers' headers in its test
  emscripten curl
)

case "$purpose" in
  play) packages=("${play_packages[@]}") ;;
  test) packages=("${play_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: install-deps.sh [play|test]" >&2; exit 2 ;;
esac

installed_version() { # package: its version, when installed
  local status
  status=$(dpkg-query -W -f='${Status} ${Version}' "$1" 2> /dev/null) || return 1
  [[ "$status" == "install ok installed "* ]] || return 1
  echo "${status#install ok installed }"
}
missing_packages() {
  local p
  for p in "${packages[@]}"; do
    installed_version "$p" > /dev/null || echo "$p"
  done
}

# One message, on standard error: what is missing, why this script could not
# install it, and the line that does.
give_up() { # reason
  {
    echo
    echo "Tumbletown cannot be built yet: ${#missing[@]} Debian packages that it needs for $purpose are missing:"
    echo "  ${missing[*]}"
    echo "$1"
    echo "Run this one line as root, then run the same command again:"
    echo "  apt-get update && apt-get install -y --no-install-recommends ${missing[*]}"
  } >&2
  exit 1
}

install_missing() {
  mapfile -t missing < <(missing_packages)
  ((${#missing[@]})) || return 0
  local sudo=()
  if ((EUID != 0)); then
    command -v sudo > /dev/null ||
      give_up "Installing them needs root: you are not root, and this machine has no sudo. Nothing was changed."
    sudo=(sudo)
    sudo true || give_up "Installing them needs root, and sudo did not let you act as root. Nothing was changed."
  fi
  echo "Installing what $purpose needs (a few minutes on a fresh system): ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  # apt-get downloads every package before it unpacks any, so a failure here
  # (no network, no mirror) leaves the system as it was.
  "${sudo[@]}" apt-get update -qq --error-on=any ||
    give_up "apt-get could not read the package lists (is the network reachable?). Nothing was installed."
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" > /dev/null || {
    mapfile -t missing < <(missing_packages)
    give_up "apt-get could not install them (see its messages above)."
  }
}

# SDL's headers for a play build without libsdl2-dev: the package of the
# installed library's version, unpacked (not installed) where cmake/Sdl2.cmake
# looks, by whoever builds (no root needed).
sdl_headers() {
  installed_version libsdl2-dev > /dev/null && return 0
  local version folder=$top/build/debian/libsdl2-dev download
  version=$(installed_version libsdl2-2.0-0)
  [[ "$(cat "$folder/.version" 2> /dev/null)" == "$version" ]] && return 0
  echo "Fetching SDL's headers (libsdl2-dev $version, unpacked into $folder, not installed)" >&2
  mkdir -p "$top/build/debian"
  download=$(mktemp -d "$top/build/debian/download.XXXXXX")
  local sandbox=()
  ((EUID != 0)) || sandbox=(-o APT::Sandbox::User=root)
  if ! (cd "$download" && apt-get download -qq "${sandbox[@]}" "libsdl2-dev=$version") ||
    ! dpkg-deb -x "$download"/libsdl2-dev_*.deb "$download/unpacked"; then
    rm -rf "$download"
    rmdir "$top/build/debian" "$top/build" 2> /dev/null || true
    {
      echo
      echo "Tumbletown cannot be built yet: apt-get could not fetch SDL's headers (libsdl2-dev $version;"
      echo "is the network reachable?). Nothing was changed. Run the same command again once it is,"
      echo "or install SDL's development package instead, as root:"
      echo "  apt-get update && apt-get install -y --no-install-recommends libsdl2-dev"
    } >&2
    exit 1
  fi
  echo "$version" > "$download/unpacked/.version"
  rm -rf "$folder"
  mv "$download/unpacked" "$folder"
  rm -rf "$download"
}

install_missing
[[ "$purpose" != play ]] || sdl_headers

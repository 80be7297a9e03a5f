#!/usr/bin/env bash
# One CPack run makes two Debian packages: the game, and the score server,
# which depends on no SDL, X11, font or picture package and carries its
# executable, manual page, service file and copyright, and the replay
# viewer's files when the build made them.
#   check-packages.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work" > "$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
game=$(ls "$work"/tumbletown_*.deb)
scores=$(ls "$work"/tumbletown-scores_*.deb)
fail() { echo "FAIL: $*"; exit 1; }

depends=$(dpkg-deb -f "$scores" Depends)
echo "tumbletown-scores depends on: $depends"
if grep -qiE 'sdl|x11|libx|freetype|fontconfig|fonts-|png|jpeg|asound|pulse' <<< "$depends"; then
  fail "the server package depends on a desktop package"
fi
for lib in libmicrohttpd12 libsqlite3-0 libpq5; do
  grep -q "$lib" <<< "$depends" || fail "the server package does not depend on $lib"
done
[[ $(dpkg-deb -f "$scores" Package) == tumbletown-scores ]] || fail "wrong package name"
contents=$(dpkg-deb -c "$scores")
for file in ./usr/bin/tumbletown-scores ./usr/share/man/man8/tumbletown-scores.8.gz \
  ./usr/lib/systemd/system/tumbletown-scores.service ./usr/share/doc/tumbletown-scores/copyright; do
  grep -q " $file\$" <<< "$contents" || fail "the server package lacks $file"
done
if grep -qE 'share/tumbletown/|bin/tumbletown$' <<< "$contents"; then fail "the server package carries the game"; fi
# The replay viewer, where the build made it: in the package, and found by
# the installed server without being named.
if [[ -f "$build/web/viewer/rules.wasm" ]]; then
  for file in viewer.js viewer.css rules.js rules.wasm Balls.png Specials.png; do
    grep -q " ./usr/share/tumbletown-scores/viewer/$file\$" <<< "$contents" || fail "the server package lacks the viewer's $file"
  done
  dpkg-deb -x "$scores" "$work/root"
  "$work/root/usr/bin/tumbletown-scores" --listen 127.0.0.1:0 --database "$work/scores.db" 2> "$work/server.log" &
  server=$!
  for _ in $(seq 100); do grep -q "listening on" "$work/server.log" && break; sleep 0.1; done
  kill "$server" && wait "$server" || true
  grep -q "replay viewer from $work/root/usr/bin/../share/tumbletown-scores/viewer" "$work/server.log" ||
    fail "the installed server did not find its viewer: $(cat "$work/server.log")"
fi

[[ $(dpkg-deb -f "$game" Package) == tumbletown ]] || fail "the game's package is not called tumbletown"
game_contents=$(dpkg-deb -c "$game")
grep -q ' ./usr/bin/tumbletown$' <<< "$game_contents" || fail "the game package lacks the game"
if grep -q 'tumbletown-scores' <<< "$game_contents"; then fail "the game package carries the server"; fi
grep -q 'fonts-liberation2' <<< "$(dpkg-deb -f "$game" Depends)" || fail "the game package lost its font"
echo ok

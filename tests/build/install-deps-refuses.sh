#!/usr/bin/env bash
# install-deps-refuses.sh SCRIPT: scripts/install-deps.sh where it cannot
# install, with stand-ins for dpkg-query (every package missing, or only
# those not listed as installed), apt-get (fails as without a network) and
# sudo: one message naming the missing packages and the one apt-get line,
# exit status 1, and no apt-get install run. Where everything is there it
# does nothing at all.
set -uo pipefail
script=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
mkdir -p "$work/tree/scripts" "$work/bin" "$work/bare"
cp "$script" "$work/tree/scripts/install-deps.sh"
touch "$work/installed" "$work/apt-get.log"
chmod 666 "$work/apt-get.log"
cat > "$work/bin/dpkg-query" << EOF
#!/bin/sh
for p; do :; done
$(command -v grep) -qx "\$p" "$work/installed" && printf 'install ok installed 1.0' || exit 1
EOF
cat > "$work/bin/apt-get" << EOF
#!/bin/sh
echo "\$*" >> "$work/apt-get.log"
echo "E: Failed to fetch http://deb.example/dists/bookworm/InRelease  Temporary failure resolving" >&2
exit 100
EOF
cat > "$work/bin/sudo" << 'EOF'
#!/bin/sh
exec "$@"
EOF
chmod 755 "$work/bin/"*
# A PATH without sudo: the stand-ins and the few tools the script uses.
for tool in dirname cat; do ln -s "$(command -v "$tool")" "$work/bare/$tool"; done
for tool in dpkg-query apt-get; do ln -s "$work/bin/$tool" "$work/bare/$tool"; done
bash=$(command -v bash)

fail() { echo "FAIL: $*"; echo "--- what it said:"; cat "$work/err"; exit 1; }
expect_refusal() { # status reason-pattern purpose
  (($1 == 1)) || fail "exit status $1, not 1"
  grep -q "packages that it needs for $3 are missing" "$work/err" || fail "no list of the missing packages"
  grep -q "$2" "$work/err" || fail "no reason matching '$2'"
  local line
  line=$(grep -x '  apt-get update && apt-get install -y --no-install-recommends .*' "$work/err")
  [[ $(grep -c . <<< "$line") == 1 ]] || fail "not exactly one apt-get line"
  for p in g++ cmake ninja-build libsdl2-2.0-0 fonts-liberation2; do
    grep -qw -- "$p" <<< "$line" || fail "the line lacks $p"
  done
  if [[ $3 == play ]]; then
    ! grep -qw -e clang -e googletest -e xvfb -e libsdl2-dev <<< "$line" || fail "the play line names test packages"
  else
    grep -qw googletest <<< "$line" || fail "the test line lacks googletest"
  fi
  ! grep -q '^install' "$work/apt-get.log" || fail "apt-get install ran"
}

# 1. Not root and no sudo: it stops before running anything.
as_user=()
((EUID != 0)) || as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
"${as_user[@]}" env -i PATH="$work/bare" "$bash" "$work/tree/scripts/install-deps.sh" play 2> "$work/err"
expect_refusal $? "you are not root, and this machine has no sudo" play
[[ ! -s "$work/apt-get.log" ]] || fail "apt-get ran: $(cat "$work/apt-get.log")"

# 2. apt-get fails (no network): the same message, with the reason.
for purpose in play test; do
  PATH="$work/bin:$PATH" "$bash" "$work/tree/scripts/install-deps.sh" "$purpose" 2> "$work/err"
  expect_refusal $? "could not read the package lists" "$purpose"
done

# 3. Everything installed, SDL's development package too: nothing to do.
: > "$work/apt-get.log"
sed -n '/^play_packages=(/,/^)/p; /^test_packages=(/,/^)/p' "$script" | grep -v '^\s*#' | tr ' ' '\n' |
  grep -E '^[a-z0-9][a-z0-9.+-]+$' > "$work/installed"
PATH="$work/bin:$PATH" "$bash" "$work/tree/scripts/install-deps.sh" play 2> "$work/err" || fail "status $? with all installed"
[[ ! -s "$work/apt-get.log" && ! -s "$work/err" ]] || fail "it did something with everything installed"

# 4. The packages there but not SDL's headers, and no network: its own message,
# nothing left in the build folder.
grep -vx libsdl2-dev "$work/installed" > "$work/installed.new" && mv "$work/installed.new" "$work/installed"
PATH="$work/bin:$PATH" "$bash" "$work/tree/scripts/install-deps.sh" play 2> "$work/err"
status=$?
((status == 1)) || fail "exit status $status without SDL's headers"
grep -q "could not fetch SDL's headers" "$work/err" || fail "no word of SDL's headers"
grep -qx '  apt-get update && apt-get install -y --no-install-recommends libsdl2-dev' "$work/err" || fail "no line"
[[ ! -e "$work/tree/build" ]] || fail "left behind: $(find "$work/tree/build")"
echo "install-deps.sh refuses with one message and changes nothing"

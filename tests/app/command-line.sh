#!/usr/bin/env bash
# command-line.sh GAME VERSION: --help prints the usage on standard output and
# ends with status 0, --version prints "tumbletown VERSION" and status 0, and
# an unknown argument prints the usage on standard error with status 2; none
# of them opens a window or writes settings.
set -uo pipefail
game=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; echo "--- stdout:"; cat "$work/out"; echo "--- stderr:"; cat "$work/err"; exit 1; }
unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER
run() { XDG_CONFIG_HOME="$work/config" timeout 20 "$game" "$@" > "$work/out" 2> "$work/err"; }

run --help
status=$?
((status == 0)) || fail "--help: exit status $status, not 0"
grep -q -- '--replay FILE' "$work/out" && grep -q -- '--version' "$work/out" || fail "--help: no usage on standard output"
[[ ! -s "$work/err" ]] || fail "--help: something on standard error"

run --version
status=$?
((status == 0)) || fail "--version: exit status $status, not 0"
[[ "$(cat "$work/out")" == "tumbletown $version" ]] || fail "--version: not 'tumbletown $version'"

run --no-such-option
status=$?
((status == 2)) || fail "an unknown argument: exit status $status, not 2"
grep -q -- '--replay FILE' "$work/err" || fail "an unknown argument: no usage on standard error"
[[ ! -s "$work/out" ]] || fail "an unknown argument: something on standard output"

[[ ! -e "$work/config" ]] || fail "settings were written by a game that never ran"
echo "--help and --version: status 0; an unknown argument: status 2"

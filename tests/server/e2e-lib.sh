# Sourced by the score server's end-to-end scripts: a work folder removed at
# the end, a server on loopback with the backend asked for, and headless
# Chromium. After sourcing:
#   e2e_start NAME                 work folder /tmp/tt-NAME.XXXXXX in $work, cleanup on exit
#   e2e_server SERVER sqlite|postgresql [POSTGRES_TEMPLATE] [OPTION]...
#                                  starts it on 127.0.0.1 and a free port: $port, log $work/server.log
#   e2e_browse URL [CHROMIUM OPTION]...
#   fail MESSAGE                   prints the message and the server's log, exits 1
e2e_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
server_pid=

e2e_cleanup() {
  [[ -n "$server_pid" ]] && kill "$server_pid" 2> /dev/null && wait "$server_pid" 2> /dev/null || true
  [[ -f "$work/pg.state" ]] && "$e2e_here/postgres.sh" stop "$work/pg.state"
  rm -rf "$work"
}

fail() {
  echo "FAIL: $*" >&2
  echo "--- server log" >&2
  cat "$work/server.log" >&2 || true
  exit 1
}

e2e_start() {
  work=$(mktemp -d "/tmp/tt-$1.XXXXXX")
  trap e2e_cleanup EXIT
  chromium=$(command -v chromium || true)
  [[ -n "$chromium" ]] || fail "no chromium (apt-get install chromium)"
}

e2e_server() {
  local server=$1 backend=$2 template=${3:-} database
  shift 3 || shift $#
  case $backend in
    sqlite) database=$work/scores.db ;;
    postgresql) database=$("$e2e_here/postgres.sh" start "$work/pg.state" $template) ;;
    *) fail "unknown backend $backend" ;;
  esac
  "$server" --listen 127.0.0.1:0 --database "$database" "$@" 2> "$work/server.log" &
  server_pid=$!
  for _ in $(seq 100); do
    grep -q "listening on" "$work/server.log" && break
    sleep 0.1
  done
  port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\),.*/\1/p' "$work/server.log")
  [[ -n "$port" ]] || fail "the server did not come up"
}

e2e_browse() {
  local url=$1
  shift
  timeout 60 "$chromium" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$(mktemp -d "$work/profile.XXXXXX")" "$@" "$url" 2> "$work/chromium.log"
}

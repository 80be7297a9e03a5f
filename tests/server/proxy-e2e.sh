#!/usr/bin/env bash
# tests/server/proxy-e2e.sh SERVER: the real nginx in front of the score
# server on loopback, set up as the README shows (the proxy adds the address
# it heard from to X-Forwarded-For). Two clients behind it, from 127.0.0.2
# and 127.0.0.3, get their own rate limits with --trusted-proxy 127.0.0.1;
# the control without it shows them sharing the proxy's one limit.
set -euo pipefail
server=$1
work=$(mktemp -d /tmp/tt-proxy.XXXXXX)
server_pid=
nginx_pid=
cleanup() {
  [[ -n "$nginx_pid" ]] && kill "$nginx_pid" 2> /dev/null && wait "$nginx_pid" 2> /dev/null || true
  [[ -n "$server_pid" ]] && kill "$server_pid" 2> /dev/null && wait "$server_pid" 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  cat "$work/server.log" "$work/error.log" >&2 2> /dev/null || true
  exit 1
}
nginx=$(command -v nginx || echo /usr/sbin/nginx)
[[ -x "$nginx" ]] || fail "no nginx (apt-get install nginx-light)"

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# The server with a limit of 2 requests a minute per client, then nginx in
# front of it (a private configuration: no root, no /etc, no /var).
start() {
  rm -f "$work/server.log"
  "$server" --listen 127.0.0.1:0 --database "$work/scores-$RANDOM.db" --rate-limit 2/min "$@" \
    2> "$work/server.log" &
  server_pid=$!
  for _ in $(seq 100); do
    grep -q "listening on" "$work/server.log" && break
    sleep 0.1
  done
  port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\),.*/\1/p' "$work/server.log")
  [[ -n "$port" ]] || fail "the server did not come up"
  proxy=$(free_port)
  mkdir -p "$work/nginx"
  cat > "$work/nginx.conf" << CONF
daemon off;
worker_processes 1;
pid $work/nginx.pid;
error_log $work/error.log;
events { worker_connections 64; }
http {
  access_log off;
  client_body_temp_path $work/nginx/body;
  proxy_temp_path $work/nginx/proxy;
  fastcgi_temp_path $work/nginx/fastcgi;
  uwsgi_temp_path $work/nginx/uwsgi;
  scgi_temp_path $work/nginx/scgi;
  server {
    listen 127.0.0.1:$proxy;
    location / {
      proxy_pass http://127.0.0.1:$port;
      proxy_set_header Host \$host;
      proxy_set_header X-Forwarded-For \$proxy_add_x_forwarded_for;
      client_max_body_size 1m;
    }
  }
}
CONF
  "$nginx" -p "$work/nginx" -c "$work/nginx.conf" 2>> "$work/error.log" &
  nginx_pid=$!
  for _ in $(seq 100); do
    curl -s -o /dev/null "http://127.0.0.1:$proxy/healthz" && return
    sleep 0.1
  done
  fail "nginx did not come up"
}
stop() {
  kill "$nginx_pid" "$server_pid"
  wait "$nginx_pid" "$server_pid" 2> /dev/null || true
  nginx_pid= server_pid=
}

# The statuses of three requests from one client address, through the proxy.
three() {
  local from=$1 statuses=
  for _ in 1 2 3; do
    statuses+="$(curl -s -o /dev/null -w '%{http_code}' --interface "$from" \
      "http://127.0.0.1:$proxy/api/v1/scores?type=0") "
  done
  echo "$statuses"
}

start --trusted-proxy 127.0.0.1
a=$(three 127.0.0.2)
b=$(three 127.0.0.3)
[[ "$a" == "200 200 429 " ]] || fail "client 127.0.0.2 behind the proxy: $a (want 200 200 429)"
[[ "$b" == "200 200 429 " ]] || fail "client 127.0.0.3 behind the proxy: $b (want its own 200 200 429)"
grep -q '^tumbletown-scores: 127.0.0.3 via 127.0.0.1 "GET /api/v1/scores' "$work/server.log" ||
  fail "the log does not name the client behind the proxy"
stop

# Control: without --trusted-proxy every client is the proxy.
start
a=$(three 127.0.0.2)
b=$(three 127.0.0.3)
[[ "$a $b" == "200 200 429  429 429 429 " ]] || fail "without --trusted-proxy: $a / $b (want one shared limit)"
stop
echo ok

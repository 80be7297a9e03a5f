#!/usr/bin/env bash
# A private PostgreSQL server for tests, from Debian's postgresql package:
#   postgres.sh start STATE [TEMPLATE]
#                             starts one in a new temporary folder, listening
#                             only on a socket there and on a free port of
#                             127.0.0.1; writes "FOLDER URL" to the file STATE
#                             and prints the URL
#   postgres.sh stop STATE    stops it (fast shutdown) and removes its folder
#   postgres.sh pause STATE   stops it but keeps its data (a lost database)
#   postgres.sh crash STATE   stops it as a crash would (immediate shutdown:
#                             what is not on its disk is lost), keeps its data
#   postgres.sh resume STATE  starts it again on the same port and socket
# PostgreSQL refuses to run as root: as root it runs as the postgres user.
# initdb is slow: with a TEMPLATE folder (the build's) the cluster is made
# there once and copied for each server; without one it is made afresh.
set -euo pipefail
command=${1:?usage: postgres.sh start|stop|pause|crash|resume STATE}
state=${2:?usage: postgres.sh start|stop|pause|crash|resume STATE}
bin=$(ls -d /usr/lib/postgresql/*/bin 2> /dev/null | sort -V | tail -n 1)
[[ -x "$bin/initdb" ]] || { echo "postgres.sh: no PostgreSQL server (apt-get install postgresql)" >&2; exit 1; }
version=$(basename "$(dirname "$bin")")
as_owner() { if ((EUID == 0)); then runuser -u postgres -- "$@"; else "$@"; fi; }
owner=$( ((EUID == 0)) && echo postgres || id -un)

start_server() { # folder port
  as_owner "$bin/pg_ctl" -D "$1/data" -l "$1/server.log" -w -t 30 \
    -o "-p $2 -k $1 -c listen_addresses=127.0.0.1 -c max_connections=200" start > /dev/null
}

case $command in
  start)
    make_cluster() { # folder: a new cluster in folder/data, owned by the server's user
      mkdir -p "$1"
      chown "$owner" "$1"
      as_owner "$bin/initdb" -N -D "$1/data" -U postgres --auth=trust -E UTF8 --locale=C.UTF-8 \
        > "$1/initdb.log" 2>&1 || { cat "$1/initdb.log" >&2; return 1; }
    }
    folder=$(mktemp -d /tmp/tumbletown-pg.XXXXXX)
    chown "$owner" "$folder"
    chmod 755 "$folder"
    if [[ -n "${3:-}" ]]; then
      template=$3/$version
      (
        flock 9
        if [[ ! -f "$template/.complete" ]]; then
          rm -rf "$template"
          make_cluster "$template" && touch "$template/.complete"
        fi
      ) 9> "$3.lock" || { rm -rf "$folder"; exit 1; }
      cp -a "$template/data" "$folder/data"
    else
      make_cluster "$folder" || { rm -rf "$folder"; exit 1; }
    fi
    # A free port: try random ones until the server comes up on one.
    for try in $(seq 1 20); do
      port=$((20000 + RANDOM % 40000))
      if start_server "$folder" "$port" 2> /dev/null; then
        url="postgresql://postgres@/postgres?host=$folder&port=$port"
        echo "$folder $url" > "$state"
        echo "$url"
        exit 0
      fi
    done
    cat "$folder/server.log" >&2 || true
    rm -rf "$folder"
    exit 1
    ;;
  stop | pause | crash)
    [[ -f "$state" ]] || exit 0
    read -r folder url < "$state"
    mode=fast
    [[ $command == crash ]] && mode=immediate
    as_owner "$bin/pg_ctl" -D "$folder/data" -m $mode -w stop > /dev/null 2>&1 || true
    if [[ $command == stop ]]; then
      rm -rf "$folder"
      rm -f "$state"
    fi
    ;;
  resume)
    read -r folder url < "$state"
    port=${url##*port=}
    start_server "$folder" "$port"
    ;;
  *)
    echo "postgres.sh: unknown command $command" >&2
    exit 2
    ;;
esac

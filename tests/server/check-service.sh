#!/usr/bin/env bash
# The systemd service file: systemd-analyze verify finds nothing to say about
# it (run against the built server and its manual page, as installed), and it
# keeps the settings that let the server bind port 80 as a nobody with its
# own state folder.
#   check-service.sh SERVICE_FILE SERVER_EXECUTABLE MANUAL_PAGE
set -euo pipefail
service=$1 server=$2 manual=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/man/man8"
cp "$manual" "$work/man/man8/"
sed "s|/usr/bin/tumbletown-scores|$server|" "$service" > "$work/tumbletown-scores.service"
if ! MANPATH=$work/man systemd-analyze verify "$work/tumbletown-scores.service" > "$work/out" 2>&1 || [[ -s "$work/out" ]]; then
  cat "$work/out"
  exit 1
fi
for setting in DynamicUser=yes StateDirectory=tumbletown-scores AmbientCapabilities=CAP_NET_BIND_SERVICE \
  'ExecStart=/usr/bin/tumbletown-scores --listen :80 --database /var/lib/tumbletown-scores/scores.db'; do
  grep -qxF "$setting" "$service" || { echo "missing: $setting"; exit 1; }
done
echo ok

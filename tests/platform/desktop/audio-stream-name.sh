#!/usr/bin/env bash
# audio-stream-name.sh PROBE: starts a PulseAudio server of its own with a
# null sink (in a private runtime folder), opens the game's audio stream on
# it with the probe, and checks what the server's mixer shows for it: the
# application and stream name "Tumbletown" and the media role "game".
# Exit 77 (skipped) when pulseaudio or pactl is missing.
set -uo pipefail
probe=$1
for tool in pulseaudio pactl; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool missing"; exit 77; }
done
. "$(dirname "$0")/../../../scripts/xvfb.sh" # for at_exit and remove_at_exit
work=$(mktemp -d)
remove_at_exit "$work"
fail() { echo "FAIL: $*"; echo "--- probe output:"; cat "$work/log" 2> /dev/null; exit 1; }
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" HOME="$work" PULSE_SERVER="unix:$work/runtime/pulse/native"
unset DISPLAY
pulseaudio --daemonize=yes --exit-idle-time=-1 --system=false -n --use-pid-file=yes \
  --load="module-null-sink sink_name=nullsink" --load="module-native-protocol-unix" \
  > "$work/pulse.log" 2>&1 || { cat "$work/pulse.log"; fail "pulseaudio did not start"; }
at_exit 'XDG_RUNTIME_DIR="'"$work"'/runtime" pulseaudio --kill 2> /dev/null'
for _ in $(seq 100); do pactl info > /dev/null 2>&1 && break; sleep 0.05; done
pactl info > /dev/null 2>&1 || fail "no answer from pulseaudio"

SDL_AUDIODRIVER=pulseaudio "$probe" 10 > "$work/log" 2>&1 &
probe_pid=$!
at_exit 'kill '"$probe_pid"' 2> /dev/null'
for _ in $(seq 100); do grep -q '^open' "$work/log" && break; sleep 0.05; done
grep -q '^open' "$work/log" || fail "the probe did not open its stream"
inputs=''
for _ in $(seq 50); do
  inputs=$(pactl list sink-inputs)
  grep -q 'application.name = "Tumbletown"' <<< "$inputs" && break
  sleep 0.1
done
echo "$inputs"
grep -q 'application.name = "Tumbletown"' <<< "$inputs" || fail "application name"
grep -q 'media.name = "Tumbletown"' <<< "$inputs" || fail "stream name"
grep -q 'media.role = "game"' <<< "$inputs" || fail "media role"
sink=$(pactl list short sinks | awk '$2 == "nullsink" { print $1 }')
grep -q "^Sink: $sink\$" <<< "$(sed 's/^[[:space:]]*//' <<< "$inputs")" || fail "not on the null sink ($sink)"
echo "PASS"

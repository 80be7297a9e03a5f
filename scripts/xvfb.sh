# scripts/xvfb.sh: sourced (". scripts/xvfb.sh"), not run. An X screen of its
# own for a shell test or check, and clean-up that always happens.
#
#   at_exit 'COMMAND'  runs COMMAND when the shell exits, however it exits;
#                      the last one added runs first.
#   remove_at_exit DIR removes DIR then, unless TUMBLETOWN_KEEP_TEMP asks to
#                      keep temporary folders for a post-mortem.
#   xvfb_start [WxHxD] starts Xvfb on a free display (-displayfd: several runs
#                      may share the machine), exports DISPLAY and unsets what
#                      would steer SDL elsewhere. Returns 1, with Xvfb's
#                      messages, when no server came up.
#   xvfb_stop          ends the server and waits until it has removed its
#                      lock and socket; at_exit does it anyway.
#
# The server gets SIGTERM also when the shell itself is killed (a test runner's
# time-out), so no server outlives its test. Call xvfb_start in the script's
# own shell, not in a $(...) or a pipe, whose end would end the server.
# The shell's EXIT trap belongs to this file: add to it with at_exit.

_at_exit_actions=()
at_exit() { _at_exit_actions+=("$1"); }
_run_at_exit() {
  local i
  for ((i = ${#_at_exit_actions[@]} - 1; i >= 0; i--)); do
    eval "${_at_exit_actions[i]}" || true
  done
  _at_exit_actions=()
}
remove_at_exit() {
  at_exit "if [[ \${TUMBLETOWN_KEEP_TEMP:-0} != 0 ]]; then echo 'TUMBLETOWN_KEEP_TEMP: kept $1'; else rm -rf '$1'; fi"
}
trap _run_at_exit EXIT
# A signal ends the shell through its EXIT trap, with the usual status.
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

_xvfb_pid=''
# Whether the process runs (an ended child stays a zombie until waited for).
_xvfb_running() {
  local state
  state=$(cut -d' ' -f3 "/proc/$1/stat" 2> /dev/null) && [[ "$state" != Z ]]
}
xvfb_start() {
  local screen=${1:-1024x768x24} dir _
  dir=$(mktemp -d) || return 1
  remove_at_exit "$dir"
  setpriv --pdeathsig TERM Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3> "$dir/display" 2> "$dir/err" &
  _xvfb_pid=$!
  at_exit xvfb_stop
  for _ in $(seq 200); do
    [[ -s "$dir/display" ]] && break
    _xvfb_running "$_xvfb_pid" || break
    sleep 0.05
  done
  if [[ ! -s "$dir/display" ]]; then
    echo "Xvfb did not start:" >&2
    cat "$dir/err" >&2
    return 1
  fi
  export DISPLAY=":$(cat "$dir/display")"
  unset WAYLAND_DISPLAY SDL_VIDEODRIVER
}

xvfb_stop() {
  [[ -n "$_xvfb_pid" ]] || return 0
  local _
  kill -TERM "$_xvfb_pid" 2> /dev/null
  for _ in $(seq 100); do
    _xvfb_running "$_xvfb_pid" || break
    sleep 0.05
  done
  kill -KILL "$_xvfb_pid" 2> /dev/null
  wait "$_xvfb_pid" 2> /dev/null
  _xvfb_pid=''
}

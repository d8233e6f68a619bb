# Sourced by the Xvfb test scripts: a scratch folder removed at exit with the
# processes in $pid, $xpid and the script's own `more_cleanup`; `fail`, which
# shows the end of $log; waiting; a virtual display on a free number.
set -u
work=$(mktemp -d)
xpid="" pid="" log="$work/program.log" shot="$work/shot.png"
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  declare -F more_cleanup >/dev/null && more_cleanup
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  echo "--- $log:"
  tail -n 40 "$log" 2>/dev/null
  exit 1
}
# need STATUS TOOL...: ends with STATUS when a tool is missing.
need() {
  local status=$1 tool
  shift
  for tool in "$@"; do
    command -v "$tool" >/dev/null && continue
    echo "$([ "$status" = 77 ] && echo skipped || echo FAIL): $tool is not installed"
    exit "$status"
  done
}
# Waits up to $1 tenths of a second for the command after it to succeed.
wait_for() {
  local n=$1
  shift
  for _ in $(seq "$n"); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}
# start_xvfb WxHxDEPTH: (re)starts the server on a free display, exports DISPLAY.
start_xvfb() {
  [ -n "$xpid" ] && { kill "$xpid"; wait "$xpid"; } 2>/dev/null
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xpid=$!
  wait_for 100 test -s "$work/display" || fail "Xvfb $1 did not start"
  export DISPLAY=":$(head -n1 "$work/display")"
}
# snap XWD-ARGS: the window as $shot.
snap() { xwd "$@" -silent 2>/dev/null | convert xwd:- "$shot" 2>/dev/null; }
# Waits up to $1 tenths of a second for $pid to end; its status in $status.
ends() {
  wait_for "$1" bash -c "! kill -0 $pid 2>/dev/null" || return 1
  wait "$pid"
  status=$?
  pid=""
}
# In sanitizer builds leaks are not checked: SDL and Xlib unload libraries
# whose caches then can no longer be told from real leaks (the backends'
# own leaks are checked by their unit tests).
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

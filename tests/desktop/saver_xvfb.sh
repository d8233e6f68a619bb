#!/usr/bin/env bash
# The saver on a virtual X display, as a user would run it: "vortella /S"
# must cover the whole screen with its window, show a picture that is not
# all black, and end with status 0 when a key is pressed.
#
# usage: saver_xvfb.sh VORTELLA
# Exit status 77 (skipped) when Xvfb or the X tools are not installed.
set -u
exe=${1:?usage: saver_xvfb.sh VORTELLA}

for tool in Xvfb xdotool xwininfo xwd convert; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed (scripts/deps installs it)"
    exit 77
  fi
done

work=$(mktemp -d)
xpid=""
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  echo "--- vortella output:"
  cat "$work/vortella.log" 2>/dev/null
  exit 1
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

# The server picks a free display number and writes it to the file.
w=800 h=600
Xvfb -displayfd 3 -screen 0 ${w}x${h}x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xpid=$!
wait_for 100 test -s "$work/display" || { cat "$work/xvfb.log"; fail "Xvfb did not start"; }
export DISPLAY=":$(head -n1 "$work/display")"

# In a sanitizer build the program is checked for memory errors but not
# for leaks: SDL unloads the X libraries it opened before the process ends,
# so what their caches hold can no longer be told from a real leak. (The
# backend's own leaks are checked by its unit tests.)
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

# A fresh user: the first run writes its settings file here.
export XDG_CONFIG_HOME="$work/config"
export HOME="$work"

"$exe" /S >"$work/vortella.log" 2>&1 &
pid=$!

# The saver's window: mapped, at the origin, as large as the screen.
full_screen() {
  kill -0 "$pid" 2>/dev/null || fail "vortella ended before its window appeared"
  local id info
  for id in $(xdotool search --onlyvisible --name '^Vortella$' 2>/dev/null); do
    info=$(xwininfo -id "$id" 2>/dev/null) || continue
    if grep -q "Absolute upper-left X:  0$" <<<"$info" &&
       grep -q "Absolute upper-left Y:  0$" <<<"$info" &&
       grep -q "Width: $w$" <<<"$info" && grep -q "Height: $h$" <<<"$info" &&
       grep -q "Map State: IsViewable" <<<"$info"; then
      return 0
    fi
  done
  return 1
}
wait_for 1800 full_screen || fail "no full-screen window appeared"

# The scene is drawn on the first ticks after its entry loads.
shot="$work/screen.png"
not_black() {
  kill -0 "$pid" 2>/dev/null || fail "vortella ended while showing the scene"
  xwd -root -silent | convert xwd:- "$shot" 2>/dev/null || return 1
  [ "$(convert "$shot" -format '%[fx:maxima>0]' info:)" = 1 ]
}
wait_for 1200 not_black || fail "the screen stayed black"
# Kept beside the test for a look.
cp "$shot" "$PWD/saver_xvfb.png" 2>/dev/null

xdotool key space
wait_for 200 bash -c "! kill -0 $pid 2>/dev/null" || fail "a key press did not end the saver"
wait "$pid"
status=$?
pid=""
[ "$status" -eq 0 ] || fail "vortella ended with status $status"
echo "ok: full-screen window, picture shown, ended by a key with status 0"

#!/usr/bin/env bash
# The saver on a virtual X display, as a user would run it: "vortella /S"
# must cover the whole screen with its window, show a picture that is not
# all black, and end with status 0 when a key is pressed. It runs twice: as
# it finds the display (Xvfb's OpenGL draws on the processor, so SDL's
# software renderer), and made to present through an accelerated renderer
# (VORTELLA_PRESENT=gpu), the way it does on a real GPU.
#
# usage: saver_xvfb.sh VORTELLA
# Exit status 77 (skipped) when Xvfb or the X tools are not installed.
exe=${1:?usage: saver_xvfb.sh VORTELLA}
. "$(dirname "$0")/../support/xvfb.sh"
need 77 Xvfb xdotool xwininfo xwd convert
start_xvfb 800x600x24
# A fresh user: the first run writes its settings file here.
export XDG_CONFIG_HOME="$work/config" HOME="$work"
for present in "" gpu; do
  VORTELLA_PRESENT=$present "$exe" /S >"$log" 2>&1 &
  pid=$!

  # The saver's window: mapped, at the origin, as large as the screen.
  full_screen() {
    kill -0 "$pid" 2>/dev/null || fail "vortella ended before its window appeared"
    local id
    for id in $(xdotool search --onlyvisible --name '^Vortella$' 2>/dev/null); do
      xwininfo -id "$id" 2>/dev/null | grep -cE '^  (Absolute upper-left [XY]:  0|Width: 800|Height: 600|Map State: IsViewable)$' |
        grep -qx 5 && return 0
    done
    return 1
  }
  wait_for 1800 full_screen || fail "no full-screen window appeared"
  # The scene is drawn on the first ticks after its entry loads.
  not_black() {
    kill -0 "$pid" 2>/dev/null || fail "vortella ended while showing the scene"
    snap -root && [ "$(convert "$shot" -format '%[fx:maxima>0]' info:)" = 1 ]
  }
  wait_for 1200 not_black || fail "the screen stayed black"
  cp "$shot" "$PWD/saver_xvfb${present:+_$present}.png" 2>/dev/null   # kept beside the test for a look
  xdotool key space
  ends 200 || fail "a key press did not end the saver"
  [ "$status" -eq 0 ] || fail "vortella ended with status $status"
  echo "ok (${present:-as found}): full-screen window, picture shown, ended by a key with status 0"
done

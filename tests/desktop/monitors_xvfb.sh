#!/usr/bin/env bash
# The saver on two monitors side by side, as a user with two monitors runs
# it: a nested X server (Xephyr inside Xvfb) shows two Xinerama heads,
# 1280x720 and 1024x768, while its RandR reports one output. With the
# desktop painted a colour of its own, "vortella /S" must leave none of it
# on either monitor, play the picture on the monitor the pointer is on and
# only there, and end with status 0 on a key press.
#
# usage: monitors_xvfb.sh VORTELLA
# Exit status 77 (skipped) when Xvfb, Xephyr or the X tools are missing.
exe=${1:?usage: monitors_xvfb.sh VORTELLA}
. "$(dirname "$0")/../support/xvfb.sh"
need 77 Xvfb Xephyr xdotool xsetroot xdpyinfo xwd convert
nested=""
more_cleanup() { [ -n "$nested" ] && kill "$nested" 2>/dev/null; }
start_xvfb 2400x900x24
Xephyr -displayfd 3 -screen 1280x720 -screen 1024x768 +xinerama -nolisten tcp -noreset \
  3>"$work/nested" >"$work/xephyr.log" 2>&1 &
nested=$!
wait_for 100 test -s "$work/nested" || fail "Xephyr did not start"
export DISPLAY=":$(head -n1 "$work/nested")"
# What the test stands on: two heads side by side.
heads=$(xdpyinfo -ext XINERAMA 2>/dev/null | grep -cE 'head #[01]: (1280x720 @ 0,0|1024x768 @ 1280,0)')
[ "$heads" = 2 ] || fail "the nested server shows no two Xinerama heads side by side"
# A colour the saver's palette lacks (its cube has channels in steps of
# 51, its ramp is grey): a pixel of the picture can never be taken for the
# desktop. (#3366CC, a cube colour, once matched a pixel of a blue ring.)
desktop='#3A6BC4'
xsetroot -solid "$desktop"

export XDG_CONFIG_HOME="$work/config" HOME="$work"
# region NAME: the crop of a monitor in the screenshot.
region() { case $1 in left) echo 1280x720+0+0 ;; right) echo 1024x768+1280+0 ;; esac; }
# lit NAME: whether the monitor shows anything but black.
lit() { [ "$(convert "$shot" -crop "$(region "$1")" +repage -format '%[fx:maxima>0]' info:)" = 1 ]; }
# desktop_left NAME: whether any pixel of the monitor has the desktop's colour.
desktop_left() { convert "$shot" -crop "$(region "$1")" +repage -format %c histogram:info:- | grep -qi "$desktop"; }

for play in left right; do
  case $play in left) xdotool mousemove 600 300 ;; right) xdotool mousemove 1700 400 ;; esac
  other=$([ $play = left ] && echo right || echo left)
  "$exe" /S >"$log" 2>&1 &
  pid=$!
  # The monitors are covered, and then the scene shows on the pointer's
  # monitor once its entry has loaded.
  shown() {
    kill -0 "$pid" 2>/dev/null || fail "vortella ended early"
    snap -root && ! desktop_left left && ! desktop_left right && lit "$play"
  }
  wait_for 1800 shown || fail "no picture on the $play monitor"
  # A few frames later: the picture has moved, and still no desktop shows.
  sleep 2
  snap -root || fail "no screenshot"
  cp "$shot" "$PWD/monitors_xvfb_$play.png" 2>/dev/null   # kept beside the test for a look
  for m in left right; do
    desktop_left "$m" && fail "the desktop's colour shows on the $m monitor (playing on the $play one)"
  done
  lit "$play" || fail "the picture left the $play monitor"
  lit "$other" && fail "the $other monitor shows more than black (playing on the $play one)"
  xdotool key space
  ends 200 || fail "a key press did not end the saver"
  [ "$status" -eq 0 ] || fail "vortella ended with status $status"
  echo "ok: playing on the $play monitor, both monitors covered, ended by a key"
  xsetroot -solid "$desktop"   # the desktop as it was, for the next run
done

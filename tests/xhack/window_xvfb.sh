#!/usr/bin/env bash
# The hack in a window another program made, on a virtual X display:
#  - with a full-screen entry it fills the window (none of the window's
#    magenta background is left) and, when the window grows, fills the new
#    size;
#  - SIGTERM during its first scene switch ends it promptly with status 0,
#    the settings file unchanged and nothing else left in the settings
#    folder; on a first run the settings file is complete or absent;
#  - when the window is destroyed under it, it ends with status 0;
#  - on the root window of 16-bit true-colour and 8-bit palette displays
#    the scene shows in colour.
#
# usage: window_xvfb.sh VORTELLA-HACK FOREIGN-WINDOW
# Exit status 77 (skipped) when Xvfb or the X tools are not installed.
hack=${1:?usage: window_xvfb.sh VORTELLA-HACK FOREIGN-WINDOW}
helper=${2:?usage: window_xvfb.sh VORTELLA-HACK FOREIGN-WINDOW}
. "$(dirname "$0")/../support/xvfb.sh"
need 77 Xvfb xwd xwininfo convert
wpid=""
more_cleanup() { [ -n "$wpid" ] && kill "$wpid" 2>/dev/null; }
start_xvfb 800x600x24
export XDG_CONFIG_HOME="$work/config" HOME="$work"
folder="$work/config/vortella" ini="$work/config/vortella/VORTELLA.INI"
mkdir -p "$folder"

# The foreign window, resized through commands on a pipe.
mkfifo "$work/cmd"
"$helper" 200 150 <"$work/cmd" >"$work/id" &
wpid=$!
exec 4>"$work/cmd"
wait_for 100 test -s "$work/id" || fail "the foreign window did not appear"
id=$(head -n1 "$work/id")

# The hack in the foreign window; it must not hold the helper's pipe open.
start_hack() {
  "$hack" -window-id "$id" >"$log" 2>&1 4>&- &
  pid=$!
}
alive() { kill -0 "$pid" 2>/dev/null || fail "vortella-hack ended early"; }
# Ends the hack with SIGTERM, which must end it within 3 s with status 0.
term() {
  kill -TERM "$pid"
  ends 30 || fail "SIGTERM $1 did not end the hack within 3 seconds"
  [ "$status" -eq 0 ] || fail "SIGTERM $1: status $status"
}

# --- Filling the window and following its size ---------------------------------

printf '%s\n' '[Global]' NoOfEntries=1 Speed=10 Sequence=1 '[Entries]' EntryFN000=ORBIT.VTL \
  EntryPM000=6,320,200,5,0,1,0,0,5,20,0,5,45 >"$ini"
start_hack
# The window has the size, shows no magenta, and the scene covers it up to
# the picture's rounding (widths by 16, heights by 4).
filled() {
  local w=$1 h=$2 bw bh
  alive
  snap -id "$id" && [ "$(convert "$shot" -format '%w %h' info:)" = "$w $h" ] || return 1
  convert "$shot" txt:- | grep -qi '#FF00FF' && return 1
  read -r bw bh <<<"$(convert "$shot" -bordercolor black -border 1 -trim -format '%w %h' info: 2>/dev/null)"
  [ "$bw" -gt $((w - 16)) ] && [ "$bh" -gt $((h - 4)) ]
}
wait_for 300 filled 200 150 || fail "the 200x150 window was not filled"
echo "size 400 300" >&4
wait_for 300 filled 400 300 || fail "the window grown to 400x300 was not filled"
term "in the window"
xwininfo -id "$id" >/dev/null 2>&1 || fail "the hack destroyed the foreign window"
echo "ok: the hack fills the foreign window and follows its size"

# --- SIGTERM during the first scene switch (the first tick, after 100 ms) ------

# Waits (up to 10 s) until the hack has set up its SIGTERM handler, so a
# signal sent afterwards reaches the program rather than its loader; then
# sends it after $1 seconds. Nothing but the settings file may be left.
term_after() {
  start_hack
  local mask left
  for _ in $(seq 10000); do
    mask=$(awk '/^SigCgt/ {print $2}' "/proc/$pid/status" 2>/dev/null)
    [ -n "$mask" ] && (( 0x$mask & 0x4000 )) && break
    sleep 0.001
  done
  (( 0x${mask:-0} & 0x4000 )) || fail "the hack never set up its SIGTERM handler"
  sleep "$1"
  term "after $1 s"
  left=$(ls -A "$folder" 2>/dev/null)
  [ -z "$left" ] || [ "$left" = VORTELLA.INI ] || fail "SIGTERM after $1 s left files: $left"
}
printf '%s\n' '[Global]' NoOfEntries=2 Speed=10 Sequence=0 '[Entries]' \
  EntryFN000=TEMPLE.VTL EntryPM000=3,320,200,1,0,1,0,0,5,20,0,5,45 \
  EntryFN001=TANGLE.VTL EntryPM001=1,320,200,1,0,1,0,0,5,20,0,5,45 >"$ini"
cp "$ini" "$work/ini.before"
for delay in 0.1 0.12 0.15 0.3; do
  term_after "$delay"
  cmp -s "$ini" "$work/ini.before" || fail "SIGTERM after $delay s changed the settings file"
done
# A first run writes the demo playlist: never half a file.
for delay in 0 0.005; do
  rm -rf "$folder"
  term_after "$delay"
  [ ! -e "$ini" ] || grep -q '^Sequence=0' "$ini" || fail "SIGTERM on a first run left an incomplete settings file"
done
echo "ok: SIGTERM during the first scene switch or a first run ends the hack cleanly"

# --- The window destroyed under the hack ----------------------------------------

start_hack
sleep 1
alive
exec 4>&-   # the helper destroys its window and ends
ends 50 || fail "the hack went on after its window was destroyed"
[ "$status" -eq 0 ] || fail "the hack ended with status $status when its window went away"
wpid=""
echo "ok: the hack ends when its window is destroyed"

# --- Other visuals: several distinct, saturated colours, not a grey or black screen

coloured() {
  alive
  snap -root && [ "$(convert "$shot" -format '%k' info:)" -gt 16 ] &&
    [ "$(convert "$shot" -colorspace HSL -channel G -separate -format '%[fx:maxima>0.3]' info:)" = 1 ]
}
for depth in 16 8; do
  start_xvfb 640x480x$depth
  "$hack" -root >"$log" 2>&1 &
  pid=$!
  wait_for 300 coloured || fail "no coloured scene on the $depth-bit display"
  term "on the $depth-bit display"
done
echo "ok: the scene shows in colour on 16-bit and 8-bit displays"

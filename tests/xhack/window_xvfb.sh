#!/usr/bin/env bash
# The hack in a window another program made, on a virtual X display:
#  - with a full-screen entry it fills the window (none of the window's
#    magenta background is left) and, when the window grows, fills the new
#    size;
#  - SIGTERM at any moment of its first scene switch ends it promptly with
#    status 0, the settings file unchanged and nothing else left in the
#    settings folder; on a first run the settings file is complete or absent;
#  - when the window is destroyed under it, it ends with status 0;
#  - on the root window of 16-bit true-colour and 8-bit palette displays
#    the scene shows in colour.
#
# usage: window_xvfb.sh VORTELLA-HACK FOREIGN-WINDOW
# Exit status 77 (skipped) when Xvfb or the X tools are not installed.
set -u
hack=${1:?usage: window_xvfb.sh VORTELLA-HACK FOREIGN-WINDOW}
helper=${2:?usage: window_xvfb.sh VORTELLA-HACK FOREIGN-WINDOW}

for tool in Xvfb xwd xwininfo convert; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed (scripts/deps installs it)"
    exit 77
  fi
done

work=$(mktemp -d)
xpid="" wpid="" pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  [ -n "$wpid" ] && kill "$wpid" 2>/dev/null
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  echo "--- vortella-hack output:"
  cat "$work/hack.log" 2>/dev/null
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

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xpid=$!
wait_for 100 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
export XDG_CONFIG_HOME="$work/config" HOME="$work"
ini="$work/config/vortella/VORTELLA.INI"
mkdir -p "$work/config/vortella"

# The foreign window, resized through commands on a pipe.
mkfifo "$work/cmd"
"$helper" 200 150 <"$work/cmd" >"$work/id" &
wpid=$!
exec 4>"$work/cmd"
wait_for 100 test -s "$work/id" || fail "the foreign window did not appear"
id=$(head -n1 "$work/id")

# The hack in the foreign window; it must not hold the helper's pipe open.
start_hack() {
  "$hack" -window-id "$id" >"$work/hack.log" 2>&1 4>&- &
  pid=$!
}
hack_alive() { kill -0 "$pid" 2>/dev/null; }
# Waits (up to 10 s) until the hack has set up its SIGTERM handler, so a
# signal sent afterwards reaches the program rather than its loader.
handler_ready() {
  local mask
  for _ in $(seq 10000); do
    mask=$(awk '/^SigCgt/ {print $2}' "/proc/$pid/status" 2>/dev/null)
    [ -n "$mask" ] && (( 0x$mask & 0x4000 )) && return 0
    sleep 0.001
  done
  return 1
}
# Waits up to $1 tenths of a second for the hack to end; its status in $status.
hack_ends() {
  wait_for "$1" bash -c "! kill -0 $pid 2>/dev/null" || return 1
  wait "$pid"
  status=$?
  pid=""
}

# --- Filling the window and following its size -------------------------------------

# One full-screen entry: the picture is as large as the window allows.
cat >"$ini" <<'EOF'
[Global]
NoOfEntries=1
Speed=10
Sequence=1
[Entries]
EntryFN000=ORBIT.VTL
EntryPM000=6,320,200,5,0,1,0,0,5,20,0,5,45
EOF

start_hack

# The window shows no magenta and the scene covers it up to the picture's
# rounding (widths by 16, heights by 4).
shot="$work/window.png"
filled() {
  local w=$1 h=$2 size box bw bh
  hack_alive || fail "vortella-hack ended while drawing"
  xwd -id "$id" -silent 2>/dev/null | convert xwd:- "$shot" 2>/dev/null || return 1
  size=$(convert "$shot" -format '%w %h' info:)
  [ "$size" = "$w $h" ] || return 1
  convert "$shot" txt:- | grep -qi '#FF00FF' && return 1
  box=$(convert "$shot" -bordercolor black -border 1 -trim -format '%w %h' info: 2>/dev/null)
  read -r bw bh <<<"$box"
  [ "$bw" -gt $((w - 16)) ] && [ "$bh" -gt $((h - 4)) ]
}
wait_for 300 filled 200 150 || fail "the 200x150 window was not filled (last shot: $(convert "$shot" -format '%w x %h' info: 2>/dev/null))"
echo "ok: the hack fills a 200x150 foreign window"

echo "size 400 300" >&4
wait_for 300 filled 400 300 || fail "the window grown to 400x300 was not filled"
echo "ok: the hack follows the window to 400x300"

kill -TERM "$pid"
hack_ends 30 || fail "SIGTERM did not end the hack within 3 seconds"
[ "$status" -eq 0 ] || fail "the hack ended with status $status on SIGTERM"
xwininfo -id "$id" >/dev/null 2>&1 || fail "the hack destroyed the foreign window"

# --- SIGTERM during the first scene switch ---------------------------------------------

# Two entries; the first timer tick (after 100 ms) loads the first scene.
cat >"$ini" <<'EOF'
[Global]
NoOfEntries=2
Speed=10
Sequence=0
[Entries]
EntryFN000=TEMPLE.VTL
EntryPM000=3,320,200,1,0,1,0,0,5,20,0,5,45
EntryFN001=TANGLE.VTL
EntryPM001=1,320,200,1,0,1,0,0,5,20,0,5,45
EOF
cp "$ini" "$work/ini.before"
for delay in 0 0.05 0.1 0.12 0.15 0.2 0.3 0.5; do
  start_hack
  handler_ready || fail "the hack never set up its SIGTERM handler"
  sleep "$delay"
  kill -TERM "$pid"
  hack_ends 30 || fail "SIGTERM after ${delay}s did not end the hack within 3 seconds"
  [ "$status" -eq 0 ] || fail "SIGTERM after ${delay}s: status $status"
  cmp -s "$ini" "$work/ini.before" || fail "SIGTERM after ${delay}s changed the settings file"
  left=$(ls -A "$work/config/vortella")
  [ "$left" = "VORTELLA.INI" ] || fail "SIGTERM after ${delay}s left files: $left"
done
echo "ok: SIGTERM during the first scene switch ends the hack cleanly"

# A first run writes the demo playlist; SIGTERM while it does never leaves
# half a file.
for delay in 0 0.002 0.005 0.01; do
  rm -rf "$work/config/vortella"
  start_hack
  handler_ready || fail "the hack never set up its SIGTERM handler"
  sleep "$delay"
  kill -TERM "$pid"
  hack_ends 30 || fail "SIGTERM on a first run did not end the hack"
  [ "$status" -eq 0 ] || fail "SIGTERM on a first run: status $status"
  if [ -e "$ini" ]; then
    grep -q '^Sequence=1' "$ini" || fail "SIGTERM on a first run left an incomplete settings file"
  fi
  left=$(ls -A "$work/config/vortella" 2>/dev/null)
  [ -z "$left" ] || [ "$left" = "VORTELLA.INI" ] || fail "SIGTERM on a first run left files: $left"
done
echo "ok: SIGTERM on a first run leaves the settings file whole"

# --- The window destroyed under the hack ---------------------------------------------------

start_hack
sleep 1
hack_alive || fail "vortella-hack ended early"
exec 4>&-   # the helper destroys its window and ends
hack_ends 50 || fail "the hack went on after its window was destroyed"
[ "$status" -eq 0 ] || fail "the hack ended with status $status when its window went away"
wpid=""
echo "ok: the hack ends when its window is destroyed"

# --- Other visuals ----------------------------------------------------------------------------

for depth in 16 8; do
  kill "$xpid" 2>/dev/null
  wait "$xpid" 2>/dev/null
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 640x480x$depth -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xpid=$!
  wait_for 100 test -s "$work/display" || fail "Xvfb at depth $depth did not start"
  export DISPLAY=":$(head -n1 "$work/display")"
  "$hack" -root >"$work/hack.log" 2>&1 &
  pid=$!
  # Several distinct colours: the palette reached the display, not a
  # single grey or a black screen.
  coloured() {
    hack_alive || fail "vortella-hack ended on the $depth-bit display"
    xwd -root -silent 2>/dev/null | convert xwd:- "$shot" 2>/dev/null || return 1
    [ "$(convert "$shot" -format '%k' info:)" -gt 16 ] &&
      [ "$(convert "$shot" -colorspace HSL -channel G -separate -format '%[fx:maxima>0.3]' info:)" = 1 ]
  }
  wait_for 300 coloured || fail "no coloured scene on the $depth-bit display"
  kill -TERM "$pid"
  hack_ends 30 || fail "SIGTERM did not end the hack on the $depth-bit display"
  [ "$status" -eq 0 ] || fail "status $status on the $depth-bit display"
done
echo "ok: the scene shows in colour on 16-bit and 8-bit displays"

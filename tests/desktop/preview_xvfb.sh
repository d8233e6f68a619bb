#!/usr/bin/env bash
# The preview panes on a virtual X display, as a user meets them: "vortella"
# opens the playlist dialog, whose pane plays the first entry (the sample
# scene of vtl, its camera turning); EDIT opens the entry dialog, whose pane
# plays it too. Of each dialog two screenshots a second apart must show a
# pane that is not one flat colour and that changed between them. Escape in
# both dialogs then ends the program with status 0 and the settings file as
# it was.
#
# usage: preview_xvfb.sh VORTELLA VTL
# Exit status 77 (skipped) when Xvfb or the X tools are not installed.
exe=${1:?usage: preview_xvfb.sh VORTELLA VTL}
vtl=${2:?usage: preview_xvfb.sh VORTELLA VTL}
. "$(dirname "$0")/../support/xvfb.sh"
need 77 Xvfb xdotool xwd convert compare
start_xvfb 1280x800x24
export XDG_CONFIG_HOME="$work/config" HOME="$work"
mkdir -p "$work/config/vortella" "$work/scenes"
"$vtl" sample "$work/scenes/SAMPLE.VTL" >/dev/null || fail "vtl sample failed"
# One entry, centred, 320 x 200, the camera turning 6 degrees a frame.
ini=$work/config/vortella/VORTELLA.INI
printf '[Global]\nNoOfEntries=1\nSpeed=10\nSequence=1\n[Entries]\nEntryFN000=%s\nEntryPM000=3,320,200,5,0,1,0,0,6,10,0,0,45\n' \
  "$work/scenes/SAMPLE.VTL" >"$ini"
cp "$ini" "$work/ini.before"

# Pixels per dialog unit of the desktop's dialogs: 7/4 across, 2 down.
pane() {   # X Y W H in dialog units -> a crop geometry in pixels
  echo "$(($3 * 7 / 4))x$(($4 * 2))+$(($1 * 7 / 4))+$(($2 * 2))"
}
window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1; }

# plays TITLE CROP NAME: two shots of the dialog's pane a second apart, not
# flat and not the same; both kept beside the test for a look.
plays() {
  local id
  id=$(window "$1")
  [ -n "$id" ] || fail "no window '$1'"
  sleep 1   # the first frames
  xwd -id "$id" -silent | convert xwd:- -crop "$2" +repage "$work/$3-1.png" || fail "no screenshot of '$1'"
  sleep 1
  xwd -id "$id" -silent | convert xwd:- -crop "$2" +repage "$work/$3-2.png" || fail "no screenshot of '$1'"
  cp "$work/$3-1.png" "$work/$3-2.png" "$PWD/" 2>/dev/null
  for n in 1 2; do
    [ "$(convert "$work/$3-$n.png" -format '%[fx:standard_deviation>0.02]' info:)" = 1 ] ||
      fail "the pane of '$1' is flat in shot $n"
  done
  changed=$(compare -metric AE "$work/$3-1.png" "$work/$3-2.png" null: 2>&1 >/dev/null)
  [ "${changed%% *}" -gt 50 ] 2>/dev/null || fail "the pane of '$1' did not change in a second ($changed pixels)"
  echo "ok: '$1' pane plays ($changed pixels changed in a second)"
}

"$exe" >"$log" 2>&1 &
pid=$!
wait_for 300 bash -c "xdotool search --onlyvisible --name '^Vortella ' >/dev/null 2>&1" ||
  fail "the playlist dialog did not appear"
plays '^Vortella ' "$(pane 204 8 184 120)" playlist_pane

# EDIT, at its place in dialog units (146, 26, 50 x 14).
xdotool mousemove --window "$(window '^Vortella ')" $((171 * 7 / 4)) $((33 * 2)) click 1
wait_for 300 bash -c "xdotool search --onlyvisible --name '^Add VTL File$' >/dev/null 2>&1" ||
  fail "EDIT opened no entry dialog"
plays '^Add VTL File$' "$(pane 340 44 204 164)" entry_pane

# Escape to the dialog with the focus (there is no window manager to give it).
escape() { xdotool windowfocus --sync "$(window "$1")" key Escape 2>/dev/null; }
escape '^Add VTL File$'
wait_for 100 bash -c "! xdotool search --onlyvisible --name '^Add VTL File$' >/dev/null 2>&1" ||
  fail "Escape did not close the entry dialog"
escape '^Vortella '
ends 200 || fail "Escape did not end the playlist dialog"
[ "$status" -eq 0 ] || fail "vortella ended with status $status"
cmp -s "$ini" "$work/ini.before" || fail "cancelled dialogs changed the settings file"
echo "ok: both dialogs cancelled, status 0, settings unchanged"

#!/usr/bin/env bash
# The installed hack under Debian's xscreensaver daemon, on a virtual X
# display, as a user would meet it:
#  - the package puts the hack's description where xscreensaver-settings
#    reads it, and the settings program reads it for the selected hack;
#  - the daemon runs the command the description gives when
#    "xscreensaver-command -activate" blanks the screen, and a scene shows;
#  - "xscreensaver-command -deactivate" ends it, and no hack process is left.
# The daemon refuses to run as root, so it runs as an unprivileged user.
#
# usage (as root): daemon_xvfb.sh VORTELLA.DEB
deb=$(realpath "${1:?usage: daemon_xvfb.sh VORTELLA.DEB}")
[ "$(id -u)" -eq 0 ] || { echo "daemon_xvfb.sh installs a package: run it as root"; exit 1; }
. "$(dirname "$0")/../support/xvfb.sh"
need 1 Xvfb xscreensaver xscreensaver-command xscreensaver-settings strace xwd convert setpriv
# The test installs its package and removes it again; it never replaces
# one the machine already has.
if dpkg-query -W -f='${Status}' vortella 2>/dev/null | grep -q 'install ok installed'; then
  fail "a vortella package is installed; remove it (dpkg -r vortella) to run this test"
fi
user=vortella-test
id "$user" >/dev/null 2>&1 ||
  useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user"
chmod 755 "$work"
home="$work/home" log="$work/daemon.log" installed=""
mkdir -p "$home"
chown "$user:" "$home"
more_cleanup() {
  pkill -u "$user" -x vortella-hack 2>/dev/null
  [ -n "$installed" ] && dpkg -r vortella >/dev/null 2>&1
}
start_xvfb 800x600x24
# Everything the user runs: their own id, home and display.
as_user() {
  setpriv --reuid="$user" --regid="$user" --clear-groups \
    env -i PATH=/usr/bin:/bin HOME="$home" DISPLAY="$DISPLAY" "$@"
}

# --- The package and the hack's description ------------------------------------

dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "the package did not install"; }
installed=1
# The daemon and the settings program know a hack by its program name: the
# description's name, whose command line is that name and its arguments.
# (scripts/hack-test checks that the package holds both files.)
xml=/usr/share/xscreensaver/config/vortella-hack.xml
name=$(sed -n 's/.*<screensaver name="\([^"]*\)".*/\1/p' "$xml")
[ "$name" = vortella-hack ] || fail "the description names \"$name\", not the hack"
# The user's settings, listed as scripts/install lists the hack: first, then
# every hack of the system's list, all of which the daemon must read.
printf '%s\n' 'timeout:	0:30:00' 'cycle:	0:00:00' 'lock:	False' 'fade:	False' 'unfade:	False' \
  'splash:	False' 'mode:	one' 'selected:	0' >"$home/.xscreensaver"
. "$(dirname "$0")/../../packaging/xscreensaver/add-hack.sh"
xscreensaver_add_hack "$home/.xscreensaver"
xscreensaver_add_hack "$home/.xscreensaver"   # a second time changes nothing
[ "$(grep -c vortella-hack "$home/.xscreensaver")" = 1 ] || fail "the hack is not listed once"
chown "$user:" "$home/.xscreensaver"

# The settings program reads the selected hack's description.
(cd "$work" && exec timeout 20 strace -f -e trace=openat -o "$work/settings.trace" \
  setpriv --reuid="$user" --regid="$user" --clear-groups \
  env -i PATH=/usr/bin:/bin HOME="$home" DISPLAY="$DISPLAY" xscreensaver-settings \
  >"$work/settings.log" 2>&1) &
spid=$!
read_xml() { grep -q "\"$xml\", O_RDONLY) = [0-9]" "$work/settings.trace" 2>/dev/null; }
wait_for 200 read_xml || { cat "$work/settings.log"; fail "xscreensaver-settings did not read $xml"; }
kill "$spid" 2>/dev/null
wait "$spid" 2>/dev/null
echo "ok: xscreensaver-settings reads the hack's description"

# --- The daemon runs it -----------------------------------------------------------

as_user xscreensaver --no-splash --verbose >"$log" 2>&1 &
pid=$!
wait_for 100 as_user xscreensaver-command -version >/dev/null 2>&1 || fail "the daemon did not start"
as_user timeout 10 xscreensaver-command -activate >/dev/null 2>&1 || fail "-activate failed"
hack_running() { pgrep -u "$user" -x "$name" >/dev/null; }
wait_for 150 hack_running || fail "the daemon did not start $name"
# More than a handful of lit pixels: a picture, not a stray cursor.
scene_shown() {
  hack_running || fail "$name ended while the screen was blanked"
  snap -root && [ "$(convert "$shot" -threshold 10% -format '%[fx:mean>0.02]' info:)" = 1 ]
}
wait_for 200 scene_shown || fail "the blanked screen shows no scene"
cp "$shot" "${SHOT_DIR:-$work}/daemon_xvfb.png" 2>/dev/null
echo "ok: -activate runs $name and a scene shows"

as_user timeout 10 xscreensaver-command -deactivate >/dev/null 2>&1 || fail "-deactivate failed"
wait_for 100 bash -c "! pgrep -u $user -x $name >/dev/null" || fail "$name still runs after -deactivate"
grep -q "forked \"$name" "$log" || fail "the daemon log does not show $name started"
echo "ok: -deactivate ends $name and no process is left"
as_user timeout 10 xscreensaver-command -exit >/dev/null 2>&1
ends 50

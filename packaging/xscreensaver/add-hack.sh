# Sourced by scripts/install and the daemon test. XScreenSaver runs only the
# hacks of the "programs" list in the user's ~/.xscreensaver (or, without
# one, the system's list in its app-defaults file), and its settings program
# shows only those; a package cannot edit that list for its users.
#
# xscreensaver_add_hack FILE: puts "vortella-hack --root" first in FILE's
# programs list. A FILE without a list gets one: the hack, then the system's
# list, so no other hack is lost. Nothing changes when the hack is listed
# already. The old file is kept as FILE.bak.
xscreensaver_add_hack() {
  local file=$1 entry
  entry=$(printf '\t\t\t\tvortella-hack --root\t\t\t    \\n\\')
  if [ -f "$file" ] && grep -q 'vortella-hack' "$file"; then
    return 0
  fi
  local tmp="$file.new"
  if [ -f "$file" ] && grep -q '^programs:' "$file"; then
    cp -p "$file" "$file.bak"
    # After the key's line when its value continues on the next lines; a
    # value on the key's own line moves below the hack.
    # The entry through the environment: awk -v would read its backslashes.
    E=$entry awk '
      BEGIN { e = ENVIRON["E"] }
      !done && /^programs:/ {
        done = 1
        if ($0 ~ /\\$/) { print; print e; next }
        rest = $0; sub(/^programs:[ \t]*/, "", rest)
        print "programs:\t\t\\"; print e; print "\t\t\t\t" rest; next
      }
      { print }' "$file" >"$tmp"
  else
    [ -f "$file" ] && cp -p "$file" "$file.bak"
    {
      [ -f "$file" ] && cat "$file"
      printf 'programs:\t\t\\\n%s\n' "$entry"
      # The system's list: the lines after "*programs:" up to the first one
      # that does not continue.
      awk '/^\*programs:/ { on = 1; next } on { print; if ($0 !~ /\\$/) exit }' \
        /etc/X11/app-defaults/XScreenSaver 2>/dev/null
      echo
    } >"$tmp"
  fi
  mv "$tmp" "$file"
}

#!/usr/bin/env bash
# An installation (cmake --install into a scratch prefix) holds the man
# pages compressed and carrying VERSION;
# the copyright file is in Debian's machine-readable form with the licence
# of LICENSE; the changelog's newest entry is VERSION.
#
# usage: install.sh BUILD_DIR VERSION
set -u
build=${1:?usage: install.sh BUILD_DIR VERSION}
version=${2:?usage: install.sh BUILD_DIR VERSION}
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; echo "FAIL: cmake --install"; exit 1; }

# The man pages.
for page in man6/vortella.6 man1/vtl.1; do
  gz=$prefix/share/man/$page.gz
  [ -f "$gz" ] && gzip -t "$gz" 2>/dev/null || { fail "$page.gz missing or not gzip"; continue; }
  [ ! -e "$prefix/share/man/$page" ] || fail "$page is installed uncompressed too"
  zcat "$gz" | head -1 | grep -qF "\"Vortella $version\"" || fail "$page.gz does not carry version $version"
done

# The copyright file: the machine-readable header, and LICENSE's licence
# text (from the permission notice on) as the Expat licence's text.
doc=$prefix/share/doc/vortella
copyright=$doc/copyright
if [ -f "$copyright" ]; then
  head -1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "the copyright file is not machine-readable"
  grep -qx "Copyright: $(sed -n 's/^Copyright (c) //p' "$root/LICENSE")" "$copyright" ||
    fail "the copyright file does not name LICENSE's holders"
  # The lines after the last "License: Expat": the standalone licence paragraph.
  awk '/^License: Expat$/ { text = ""; next } { text = text $0 "\n" } END { printf "%s", text }' "$copyright" |
    sed 's/^ //; s/^\.$//' >"$work/licence"
  sed -n '/^Permission/,$p' "$root/LICENSE" | diff -u - "$work/licence" >"$work/diff" ||
    fail "the copyright file's licence text is not LICENSE's: $(cat "$work/diff")"
else
  fail "no $copyright"
fi
[ -f "$doc/changelog.gz" ] && zcat "$doc/changelog.gz" | head -1 | grep -qx "vortella ($version) unstable; urgency=medium" ||
  fail "the changelog's newest entry is not $version"

[ "$failed" -eq 0 ] && echo "ok: man pages, copyright and changelog installed"
exit "$failed"

#!/usr/bin/env bash
# An installation (cmake --install into a scratch prefix) holds the icon in
# every size the desktop asks for, under the hicolor theme, as valid PNG
# pictures of that size that show a scene (not one flat colour); the menu
# entry names that icon; the man pages are compressed and carry VERSION;
# the copyright file is in Debian's machine-readable form with the licence
# of LICENSE; the changelog's newest entry is VERSION.
#
# usage: install.sh BUILD_DIR VERSION
set -u
build=${1:?usage: install.sh BUILD_DIR VERSION}
version=${2:?usage: install.sh BUILD_DIR VERSION}
root=$(cd "$(dirname "$0")/../.." && pwd)
for tool in convert identify; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool (imagemagick) is not installed"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; echo "FAIL: cmake --install"; exit 1; }

# The icon: a PNG (signature and a picture ImageMagick decodes without a
# warning) of SIZE x SIZE with more than a few colours.
for size in 48 64 128 256; do
  png=$prefix/share/icons/hicolor/${size}x$size/apps/vortella.png
  [ -f "$png" ] || { fail "no ${size} px icon"; continue; }
  [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || { fail "$png is not a PNG"; continue; }
  convert -regard-warnings "$png" "$work/decoded.ppm" 2>"$work/err" || { fail "$png does not decode: $(cat "$work/err")"; continue; }
  got=$(identify -format '%m %w %h %k' "$png")
  read -r format w h colours <<<"$got"
  [ "$format $w $h" = "PNG $size $size" ] || fail "$png is $got, not a $size x $size PNG"
  [ "$colours" -gt 8 ] || fail "$png shows only $colours colours"
done
grep -qx 'Icon=vortella' "$prefix/share/applications/vortella.desktop" || fail "the menu entry names no icon vortella"

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

[ "$failed" -eq 0 ] && echo "ok: icons at 48, 64, 128, 256 px, man pages, copyright and changelog installed"
exit "$failed"

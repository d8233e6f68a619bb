#!/usr/bin/env bash
# The Debian changelog made from a CHANGELOG.md: every release in order,
# items wrapped at 78 columns, each signed on its heading's day; a file
# whose newest release is not the build's version, or that does not keep
# the form, is refused with the line at fault.
#
# usage: changelog.sh DEB-CHANGELOG
set -u
conv=${1:?usage: changelog.sh DEB-CHANGELOG}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

cat >"$work/good.md" <<'MD'
# Changelog

Prose before the first release is left out.

## 1.2.0 (2027-03-01)

- One short item.
- A long item that goes on over two lines of the file and over more than
  seventy-eight columns once it is wrapped again, which it must be.

## 1.1.0 (2024-02-29)

- The leap day.
MD
cat >"$work/good.deb" <<'DEB'
pkg (1.2.0) unstable; urgency=medium

  * One short item.
  * A long item that goes on over two lines of the file and over more than
    seventy-eight columns once it is wrapped again, which it must be.

 -- The Makers  Mon, 01 Mar 2027 00:00:00 +0000

pkg (1.1.0) unstable; urgency=medium

  * The leap day.

 -- The Makers  Thu, 29 Feb 2024 00:00:00 +0000
DEB
if "$conv" "$work/good.md" pkg 1.2.0 "The Makers" >"$work/out" 2>"$work/err"; then
  diff -u "$work/good.deb" "$work/out" >"$work/diff" || fail "the changelog differs: $(cat "$work/diff")"
else
  fail "a good changelog was refused: $(cat "$work/err")"
fi

# refused NAME VERSION MESSAGE-PART: the file $work/NAME.md is refused for
# VERSION with a message holding the part.
refused() {
  local status=0
  "$conv" "$work/$1.md" pkg "$2" X >"$work/out" 2>"$work/err" || status=$?
  [ "$status" -eq 1 ] || { fail "$1: status $status, not 1"; return; }
  grep -qF -- "$3" "$work/err" || fail "$1: the message \"$(cat "$work/err")\" lacks \"$3\""
}
refused good 1.3.0 "good.md:5: the newest release is 1.2.0, the build makes 1.3.0"
printf '## 1.0 (2026-02-30)\n- a\n' >"$work/day.md"
refused day 1.0 "no such day: 2026-02-30"
printf '## 1.0 (2026-02-01)\n- a\nloose text\n' >"$work/loose.md"
refused loose 1.0 "loose.md:3:"
printf '## 1.0 (2026-02-01)\n\n## 0.9 (2026-01-01)\n- a\n' >"$work/empty.md"
refused empty 1.0 "release 1.0 has no items"
printf '## 1.0 (2026-02-01)\n- a\n## 1.0 (2026-01-01)\n- b\n' >"$work/twice.md"
refused twice 1.0 "release 1.0 appears twice"
printf '## 1.0 2026-02-01\n- a\n' >"$work/heading.md"
refused heading 1.0 "heading.md:1: a release heading is"
printf '# Changelog\n\nNothing yet.\n' >"$work/none.md"
refused none 1.0 "no release heading"

[ "$failed" -eq 0 ] && echo "ok: the changelog is converted, and malformed ones are refused"
exit "$failed"

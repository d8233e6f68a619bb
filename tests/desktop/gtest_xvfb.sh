#!/usr/bin/env bash
# Runs unit tests that need an X display (the toolkit measures with the
# display's fonts) on a virtual one.
#
# usage: gtest_xvfb.sh TEST-BINARY GTEST-FILTER
# Exit status 77 (skipped) when Xvfb is not installed.
exe=${1:?usage: gtest_xvfb.sh TEST-BINARY GTEST-FILTER}
filter=${2:?usage: gtest_xvfb.sh TEST-BINARY GTEST-FILTER}
. "$(dirname "$0")/../support/xvfb.sh"
need 77 Xvfb
start_xvfb 640x480x24
"$exe" --gtest_filter="$filter" >"$log" 2>&1 || fail "$filter failed on $DISPLAY"
# A test that skipped for want of a display has not run.
grep -q '\[  SKIPPED \]' "$log" && fail "$filter skipped with a display"
grep -q '\[  PASSED  \] [1-9]' "$log" || fail "no test of $filter ran"
tail -n 3 "$log"

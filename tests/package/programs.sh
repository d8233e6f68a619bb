#!/usr/bin/env bash
# --version of every program prints its name and VERSION, and --help its
# usage, both on stdout with status 0 and without a display: DISPLAY names
# one that does not exist, so a program that opened it would fail.
#
# usage: programs.sh VERSION PROGRAM...
set -u
version=${1:?usage: programs.sh VERSION PROGRAM...}
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }
# run PROGRAM ARGS...: $out, $err and $status of one run, in a bare
# environment with a dead display.
run() {
  status=0
  env -i PATH=/usr/bin:/bin HOME="$work" XDG_CONFIG_HOME="$work/config" DISPLAY=:97531 \
    "$@" >"$work/out" 2>"$work/err" </dev/null || status=$?
  out=$(cat "$work/out") err=$(cat "$work/err")
}
# expect WHAT STATUS STDOUT (a bash pattern for the whole output, the
# last line break left off)
expect() {
  [ "$status" -eq "$2" ] || { fail "$1 ended with status $status, not $2 (stderr: $err)"; return; }
  [ -z "$err" ] || fail "$1 wrote to stderr: $err"
  # shellcheck disable=SC2053
  [[ $out == $3 ]] || fail "$1 printed \"$out\""
}
for exe in "$@"; do
  name=$(basename "$exe")
  run "$exe" --version
  expect "$name --version" 0 "$name $version"
  run "$exe" --help
  expect "$name --help" 0 "usage: $name *"
  case $name in
    # vtl also has the command form; the hack also the single-dash form of
    # its other options.
    vtl) run "$exe" version; expect "vtl version" 0 "vtl $version" ;;
    vortella-hack) run "$exe" -version; expect "vortella-hack -version" 0 "vortella-hack $version" ;;
    # The display is truly out of reach: the saver itself cannot start.
    vortella) run "$exe" /S; [ "$status" -eq 1 ] || fail "vortella /S ran with DISPLAY=:97531 (status $status)" ;;
  esac
done
[ "$failed" -eq 0 ] && echo "ok: $# programs print version $version and their usage without a display"
exit "$failed"

#!/usr/bin/env bash
# Runs a command on a virtual screen of its own (a fresh Xvfb, ended
# afterwards), e.g. a Windows program under Wine:
#
#   on_screen.sh wine program.exe ...
#
# With WINEPREFIX set, Wine processes of that prefix that an earlier test
# left (bound to another display) are waited for first.
set -euo pipefail
command -v Xvfb >/dev/null || { echo "FAIL: Xvfb is not installed" >&2; exit 1; }
work=$(mktemp -d)
xvfb=
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.05
done
[ -s "$work/display" ] || { echo "FAIL: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")"
[ -z "${WINEPREFIX:-}" ] || wineserver --wait
"$@"

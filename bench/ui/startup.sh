#!/usr/bin/env bash
# Start-up to the first shown window: Vantrel's window against a bare
# QMainWindow with the same menu, both built from the same Qt. Each run is
# timed from just before the program starts to its window's first expose
# event; the runs alternate, on a private Xvfb display unless one is named.
#
#   bench/ui/startup.sh [BUILD-DIR] [RUNS]     (defaults: build/release, 30)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/release}
runs=${2:-30}
if [ ! -x "$build/bench/ui/startup_probe_vantrel" ]; then
  cmake --preset release >/dev/null
  cmake --build "$build" -j2 --target startup_probe_vantrel startup_probe_bare >/dev/null
fi

xvfb=
work=$(mktemp -d)
trap '[ -n "$xvfb" ] && kill "$xvfb"; rm -rf "$work"' EXIT
if [ -z "${STARTUP_DISPLAY:-}" ]; then
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.05
  done
  export DISPLAY=":$(cat "$work/display")"
else
  export DISPLAY=$STARTUP_DISPLAY
fi
export QT_QPA_PLATFORM=xcb

time_one() {
  local start end
  start=$(date +%s%N)
  end=$("$1" 2>/dev/null)
  echo $(((end - start) / 1000))
}

# One warm-up run each, so that both start with the same files cached.
time_one "$build/bench/ui/startup_probe_bare" >/dev/null
time_one "$build/bench/ui/startup_probe_vantrel" >/dev/null
for _ in $(seq "$runs"); do
  time_one "$build/bench/ui/startup_probe_bare" >>"$work/bare"
  time_one "$build/bench/ui/startup_probe_vantrel" >>"$work/vantrel"
done

median() { sort -n "$1" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
bare=$(median "$work/bare")
vantrel=$(median "$work/vantrel")
echo "runs: $runs each, microseconds to first expose (median)"
echo "bare QMainWindow with the menu: $bare"
echo "Vantrel window:                 $vantrel"
awk -v v="$vantrel" -v b="$bare" 'BEGIN { printf "ratio: %.3f (target at most 1.25)\n", v / b }'

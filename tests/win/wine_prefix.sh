#!/usr/bin/env bash
# The Wine prefix of one test run, in $WINEPREFIX. `start` makes it afresh
# (setting one up takes Wine a while, so the run's tests share it), with a
# 1024 x 768 virtual desktop; `stop` ends the Wine processes of this prefix,
# and only those.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the prefix}"
case "${1:-}" in
  start)
    wineserver --kill 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    wineboot --init
    # Every window opens on a virtual desktop, where Wine draws the frames
    # itself, as Windows does, and no window manager is waited for.
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f
    wineserver --wait
    ;;
  stop)
    wineserver --kill 2>/dev/null || true
    ;;
  *)
    echo "usage: wine_prefix.sh start|stop" >&2
    exit 2
    ;;
esac

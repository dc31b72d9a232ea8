#!/usr/bin/env bash
# The Wine prefix of one test run, in $WINEPREFIX, run with Wine's 64-bit
# loader WINE:
#
#   wine_prefix.sh start|stop WINE
#
# `start` makes the prefix afresh (setting one up takes Wine a while, so the
# run's tests share it), with a 1024 x 768 virtual desktop, once it has seen
# that Wine's wrapper is out of the tests' reach; `stop` ends the Wine
# processes of this prefix, and only those, and fails if any test went
# through the wrapper all the same ($VANTREL_WINE_WRAPPER_LOG).
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the prefix}" "${VANTREL_WINE_WRAPPER_LOG:?}"
wine=${2:?usage: wine_prefix.sh start|stop WINE}
case "${1:-}" in
  start)
    wrapper=$(command -v wine || true)
    [ "$(readlink -f "$wrapper")" = "$(readlink -f "$(dirname "$0")/wine_wrapper.sh")" ] || {
      echo "FAIL: 'wine' on the tests' PATH is ${wrapper:-nothing}, not the stand-in that" \
        "keeps Wine's wrapper out of them" >&2
      exit 1
    }
    rm -f "$VANTREL_WINE_WRAPPER_LOG"
    wineserver --kill 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    "$wine" wineboot --init
    # Every window opens on a virtual desktop, where Wine draws the frames
    # itself, as Windows does, and no window manager is waited for.
    "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
    "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f
    wineserver --wait
    ;;
  stop)
    wineserver --kill 2>/dev/null || true
    if [ -s "$VANTREL_WINE_WRAPPER_LOG" ]; then
      echo "FAIL: tests ran these through Wine's wrapper instead of the 64-bit loader:" >&2
      cat "$VANTREL_WINE_WRAPPER_LOG" >&2
      exit 1
    fi
    ;;
  *)
    echo "usage: wine_prefix.sh start|stop WINE" >&2
    exit 2
    ;;
esac

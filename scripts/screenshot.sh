#!/usr/bin/env bash
# Starts the window program on a virtual X server, types a password and a line
# of text into it, and saves a picture of the window.
#
#   scripts/screenshot.sh [PROGRAM] [OUTPUT]
#
# PROGRAM defaults to build/release/ui/vantrel, OUTPUT to docs/screenshot.png.
# Needs xvfb, xdotool and imagemagick (scripts/deps.sh test). There is no
# window manager on the virtual screen, so the picture shows the window's
# inside: menu bar and fields, without a title bar.
#
# A Windows program (build/windows/win/Vantrel.exe, as docs/screenshot-windows.png)
# runs under Wine's 64-bit loader (WINE64, by default Debian's
# /usr/lib/wine/wine64), in a prefix made for the picture, on a Wine desktop
# where Wine draws the whole window, title bar included.
set -euo pipefail

# On the virtual screen the script runs itself again as
# `screenshot.sh --on-screen PROGRAM OUTPUT`: xvfb-run's shell passes no
# shell functions through.
if [ "${1:-}" = --on-screen ] && [[ $2 == *.exe ]]; then
  WINEPREFIX=$(mktemp -d)
  export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
  trap 'wineserver --kill; rm -rf "$WINEPREFIX"' EXIT
  # The program is 64-bit: the loader for it, never the wrapper `wine`, which
  # starts the 32-bit Wine wherever one is installed.
  wine=${WINE64:-/usr/lib/wine/wine64}
  [ -x "$wine" ] || { echo "no Wine 64-bit loader at $wine: install wine64" >&2; exit 1; }
  "$wine" wineboot --init 2>/dev/null
  # A new prefix lacks Wine's own TrueType fonts (package fonts-wine), among
  # them Marlett, which draws the title bar's buttons.
  cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null ||
    echo "no Wine fonts (fonts-wine): the title bar buttons show letters" >&2
  "$wine" explorer /desktop=Screenshot,480x400 "$2" &
  id=$(timeout 60 xdotool search --sync --onlyvisible --name '^Vantrel$' | head -n 1 || true)
  [ -n "$id" ] || { echo "the window did not appear" >&2; exit 1; }
  sleep 1
  # A click on the title bar activates the window; the focus is in the text
  # field, two tabs away from the password field.
  xdotool mousemove --window "$id" 120 10 click 1
  xdotool type --delay 20 'Meet me at the old mill at noon.'
  xdotool key Tab Tab
  xdotool type --delay 40 'secret'
  xdotool mousemove 0 0
  sleep 1
  import -window "$id" "$3"
  echo "saved $3"
  exit 0
fi
if [ "${1:-}" = --on-screen ]; then
  "$2" &
  pid=$!
  trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true' EXIT

  id=$(timeout 30 xdotool search --sync --onlyvisible --name '^Vantrel$' | head -n 1 || true)
  [ -n "$id" ] || { echo "the window did not appear" >&2; exit 1; }
  sleep 1

  # The fields sit at fixed places below the menu bar (15 twips a pixel):
  # the client area is 266 pixels high, so the menu bar is what is left.
  height=$(xdotool getwindowgeometry --shell "$id" | sed -n 's/^HEIGHT=//p')
  menu=$((height - 266))
  xdotool mousemove --window "$id" 168 $((menu + 18)) click 1
  xdotool type --delay 40 'secret'
  xdotool mousemove --window "$id" 176 $((menu + 92)) click 1
  xdotool type --delay 20 'Meet me at the old mill at noon.'
  sleep 1

  import -window "$id" "$3"
  echo "saved $3"
  exit 0
fi

cd "$(dirname "$0")/.."
program=${1:-build/release/ui/vantrel}
output=${2:-docs/screenshot.png}
if [ ! -x "$program" ]; then
  echo "no program at $program; build it first:" >&2
  echo "  cmake --preset release && cmake --build --preset release" >&2
  exit 1
fi
mkdir -p "$(dirname "$output")"

xvfb-run --auto-servernum --server-args='-screen 0 1024x768x24' \
  "$(realpath "$0")" --on-screen "$(realpath "$program")" "$(realpath "$output")"

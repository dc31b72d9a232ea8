# Shared by the real-window tests (source it with the program as $vantrel):
# a private Xvfb, the program's window on it, and cleanup at exit. Any
# missing tool is a failure.
set -euo pipefail
for tool in Xvfb xdotool xclip; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb=
app=
window=
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# start_xvfb WxHxD [OPTION...]: a new virtual screen in place of any earlier one.
start_xvfb() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -f "$work/display" # not the old number while the new server starts
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp "${@:2}" 3>"$work/display" 2>>"$work/xvfb.log" &
  xvfb=$!
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.05
  done
  [ -s "$work/display" ] || fail "Xvfb did not start"
  export DISPLAY=":$(cat "$work/display")"
  unset WAYLAND_DISPLAY QT_QPA_PLATFORM
}

# start_vantrel: the program, once its window shows and has the focus.
start_vantrel() {
  "$vantrel" 2>>"$work/vantrel.log" &
  app=$!
  window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Vantrel$' | head -1 || true)
  [ -n "$window" ] || fail "no window appeared"
  xdotool windowfocus --sync "$window"
}

# stop_vantrel: ends the program without its closing animation.
stop_vantrel() {
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  app=
}

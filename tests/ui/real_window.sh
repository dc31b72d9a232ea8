#!/usr/bin/env bash
# Drives the built window under Xvfb with real X key events: types a password
# and a two-line text, chooses Encode and Copy through the menu's access keys,
# checks the code on the clipboard against the window model, pastes it back
# into the cleared code field, chooses Decode and checks the text; then closes
# the window and checks that it slides away and the program ends. Given the
# command-line tool too, it also pastes a code made by the tool with the same
# password into the window and decodes it there. Last, it starts the window
# on a screen smaller than the window and checks that its top-left corner is
# on the screen. Any missing tool or mismatch is a failure.
set -euo pipefail
vantrel=$1
expected_code=$2
close_window=$3
cli=${4:-}

source "$(dirname "$0")/xvfb.sh"
start_xvfb 1024x768x24
start_vantrel
sleep 0.3

keys() {
  xdotool key --delay 40 "$@"
  sleep 0.3
}
clipboard() {
  xclip -selection clipboard -o
}

# The focus starts in the plain-text field; Tab goes on to the code field and
# then to the password field.
xdotool type --delay 40 'Hello'
keys Return
xdotool type --delay 40 'World 42'
keys Tab Tab
xdotool type --delay 40 'Secret'
sleep 0.3
keys alt+t e
keys alt+t c
keys Return # dismisses the confirmation

clipboard >"$work/code"
printf 'Hello\r\nWorld 42' | "$expected_code" Secret >"$work/expected"
[ -s "$work/expected" ] || fail "no expected code"
cmp -s "$work/code" "$work/expected" ||
  fail "code on the clipboard: $(od -c "$work/code" | head -3); expected $(od -c "$work/expected" | head -3)"

# Back to the code field, clear it, paste the code, decode.
keys shift+Tab ctrl+a Delete
xclip -selection clipboard -i <"$work/code"
sleep 0.2
keys ctrl+v
keys alt+t d

# The decoded text, copied from the plain-text field.
keys shift+Tab ctrl+a ctrl+c
clipboard >"$work/text"
printf 'Hello\r\nWorld 42' >"$work/want"
cmp -s "$work/text" "$work/want" || fail "decoded text: $(od -c "$work/text" | head -3)"

kill -0 "$app" || fail "the program ended early: $(cat "$work/vantrel.log")"

# A code from the command-line tool, made with the same password, decodes in
# the window: the focus is in the plain-text field, the code field is empty.
if [ -n "$cli" ]; then
  printf 'Secret\n' >"$work/password"
  printf 'From the tool:\r\n100%% the same code.' >"$work/tool-text"
  "$cli" encode --password-file "$work/password" "$work/tool-text" >"$work/tool-code" ||
    fail "vantrel-cli encode failed"
  xclip -selection clipboard -i <"$work/tool-code"
  sleep 0.2
  keys Tab ctrl+v
  keys alt+t d
  keys shift+Tab ctrl+a ctrl+c
  clipboard >"$work/text"
  cmp -s "$work/text" "$work/tool-text" || fail "tool's code decoded to: $(od -c "$work/text" | head -3)"
fi

# Closing: the window shrinks around its centre, stops at the smallest size of
# a captioned window (116 x 27 pixels at the 96 dots per inch of this screen)
# and slides down and to the right off the screen; then the program ends by
# itself.
"$close_window" "$window" >"$work/moves"
for _ in $(seq 300); do
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$app" 2>/dev/null && fail "the program did not end after closing"
status=0
wait "$app" || status=$?
app=
[ "$status" -eq 0 ] || fail "the program ended with status $status"
moves=$(wc -l <"$work/moves")
awk -v w0=116 -v h0=27 -v bottom=768 '
  function off(a, b) { return a > b ? a - b : b - a }
  NR == 1 { cx = $1 + $3 / 2; cy = $2 + $4 / 2 }
  NR > 1 && ($3 > w || $4 > h) { bad = "grew: " $0 }
  $3 < w0 || $4 < h0 { bad = "smaller than the smallest size: " $0 }
  $3 > w0 && $4 > h0 {
    shrinking++
    if (off($1 + $3 / 2, cx) > 2 || off($2 + $4 / 2, cy) > 2) bad = "shrank off its centre: " $0
  }
  $3 == w0 && $4 == h0 {
    if (stopped && ($1 < x || $2 < y)) bad = "moved back: " $0
    stopped++
  }
  { x = $1; y = $2; w = $3; h = $4 }
  END {
    if (!bad && shrinking < 10) bad = "seen shrinking only " shrinking " times"
    if (!bad && stopped < 10) bad = "seen at the smallest size only " stopped " times"
    if (!bad && y < bottom) bad = "last seen on the screen at " x " " y
    if (bad) { print bad; exit 1 }
    printf "%d shrinking, %d at %dx%d, last at %d %d\n", shrinking, stopped, w0, h0, x, y
  }' "$work/moves" >"$work/phases" || fail "closing window: $(cat "$work/phases")"
echo "real window: code, text and closing as expected ($moves geometries seen: $(cat "$work/phases"))"

# On a screen smaller than the window, its top-left corner stays on the screen.
start_xvfb 320x240x24
start_vantrel
sleep 0.3
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$X" -ge 0 ] && [ "$Y" -ge 0 ] && [ "$WIDTH" -gt 320 ] ||
  fail "on a 320x240 screen the ${WIDTH}x${HEIGHT} window is at $X $Y"
echo "small screen: the ${WIDTH}x${HEIGHT} window is at $X $Y"

#!/usr/bin/env bash
# Drives the built window under Xvfb with real X key events: types a password
# and a two-line text, chooses Encode and Copy through the menu's access keys,
# checks the code on the clipboard against the window model, pastes it back
# into the cleared code field, chooses Decode and checks the text. Given the
# command-line tool too, it also pastes a code made by the tool with the same
# password into the window and decodes it there. A text of any script, pasted,
# comes back exactly through Encode, Copy and Decode. Then Copy For Mail: the
# mail-safe form on the clipboard, carrying the same code as the model's (and
# the tool's), and the form after a trip through mail (re-wrapped, quoted,
# LF line ends, a greeting and a signature around it) pasted back and
# decoded, in the window and by the tool. Copy For Mail again while another
# program keeps taking the clipboard back: the window says it copied only
# when it had the clipboard. A close request while a message box is open is
# carried out once the box is dismissed. Closing, at 100 % and at 125 %
# scaling: the window shrinks around its centre (to within a pixel), stops at
# the smallest size of a captioned window, slides off the screen within a
# second and the program ends at once; a second close request meanwhile
# changes nothing. Last, it starts the window on a screen smaller than the
# window and checks that its top-left corner is on the screen. Any missing
# tool or mismatch is a failure.
set -euo pipefail
vantrel=$1
expected_code=$2
close_window=$3
hold_clipboard=$4
cli=${5:-}

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
# box_after KEY...: presses the keys and waits for the message box they
# bring; sets box_size (its width x height) and box_ms (how long it took).
box_after() {
  local start box=
  start=$(date +%s%N)
  xdotool key --delay 40 "$@"
  for _ in $(seq 500); do
    box=$(xdotool search --onlyvisible --name '^Vantrel$' | grep -vx "$window" | head -1 || true)
    [ -n "$box" ] && break
    sleep 0.01
  done
  [ -n "$box" ] || fail "no message box after $*"
  box_ms=$((($(date +%s%N) - start) / 1000000))
  box_size=$(xdotool getwindowgeometry "$box" | sed -n 's/.*Geometry: //p')
}
# closed NAME MIN-WIDTH MIN-HEIGHT FROM: once ui_close_window has returned,
# checks that the program ended, with status 0, and the geometries it saw
# ($work/moves) against the closing animation on this 1024 x 768 screen: the
# window shrinks around its centre, to within a pixel, down to MIN-WIDTH x
# MIN-HEIGHT, where it slides on towards the lower right; it never grows or
# moves back; its last geometry, and only that, is off the screen, within a
# second of the request (FROM=request) or of its first move (FROM=move); then
# the window goes at once and the program ends (given a second for the
# sanitizers' checks at exit).
closed() {
  grep -q ended "$work/moves" || fail "$1: the program did not end: $(tail -1 "$work/moves")"
  local status=0
  wait "$app" || status=$?
  app=
  [ "$status" -eq 0 ] || fail "$1: the program ended with status $status"
  awk -v name="$1" -v w0="$2" -v h0="$3" -v from="$4" -v right=1024 -v bottom=768 '
    function off(a, b) { return a > b ? a - b : b - a }
    NF == 5 && NR == 1 { cx = 2 * $2 + $4; cy = 2 * $3 + $5; w = $4; h = $5; x = $2; y = $3; next }
    NF == 5 {
      if (!moves++) moved = $1
      if ($4 > w || $5 > h) bad = "grew: " $0
      if ($4 < w0 || $5 < h0) bad = "smaller than the smallest size: " $0
      if ($2 < x || $3 < y) bad = "moved back: " $0
      if (offscreen) bad = "moved on off the screen: " $0
      if ($4 > w0 && $5 > h0) {
        shrinking++
        e = off(2 * $2 + $4, cx); if (off(2 * $3 + $5, cy) > e) e = off(2 * $3 + $5, cy)
        if (e > drift) drift = e
      }
      if ($4 == w0 && $5 == h0) stopped++
      if ($3 >= bottom || $2 >= right) { offscreen++; gone = $1 }
      x = $2; y = $3; w = $4; h = $5
    }
    $2 == "unmapped" { hidden = $1 }
    $2 == "ended" { ended = $1 }
    END {
      start = from == "move" ? moved : 0
      if (!bad && drift > 2) bad = "shrank off its centre by " drift / 2 " px"
      if (!bad && shrinking < 5) bad = "seen shrinking only " shrinking " times"
      if (!bad && stopped < 5) bad = "seen at the smallest size only " stopped " times"
      if (!bad && !offscreen) bad = "last seen on the screen at " x " " y
      if (!bad && gone - start > 1000) bad = "off the screen only after " gone - start " ms"
      if (!bad && (hidden == "" || hidden - gone > 250)) bad = "still shown " hidden - gone " ms after it left"
      if (!bad && (ended == "" || ended - gone > 1000)) bad = "the program ended " ended - gone " ms after the window left"
      if (bad) { print name ": " bad; exit 1 }
      printf "%s: %d shrinking (centre off by at most %.1f px), %d at %dx%d, off the screen %d ms after the %s, gone %d ms and ended %d ms later\n", name, shrinking, drift / 2, stopped, w0, h0, gone - start, from == "move" ? "first move" : "request", hidden - gone, ended - gone
    }' "$work/moves" >"$work/closing" || fail "$(cat "$work/closing")"
  cat "$work/closing"
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

# Any text, pasted into the plain-text field (curly quotes, accents,
# Cyrillic, Hebrew, CJK, a tab, an emoji sequence with a joiner and skin tone,
# a combining mark, a character above U+FFFF), encodes (the tool's code when
# the tool is given), and the code pasted back decodes to exactly that text.
# The focus is in the plain-text field, its text selected.
# shellcheck disable=SC1112 # the curly quotes are the point
printf '%s\r\n%s\t%s' 'I’m “café” Привет שלום 中文' tab '👩🏽‍💻 é 𝄞 — ok…' >"$work/unicode"
xclip -selection clipboard -i <"$work/unicode"
sleep 0.2
keys ctrl+v
keys alt+t e
keys alt+t c
keys Return # dismisses the confirmation
clipboard >"$work/code"
if [ -n "$cli" ]; then
  "$cli" encode --password-file "$work/password" "$work/unicode" >"$work/tool-code" ||
    fail "vantrel-cli could not encode the text of any script"
  cmp -s "$work/code" "$work/tool-code" || fail "any text: the window's code is not the tool's"
fi
keys Tab ctrl+a Delete ctrl+v
keys alt+t d
keys shift+Tab ctrl+a ctrl+c
clipboard >"$work/text"
cmp -s "$work/text" "$work/unicode" || fail "any text decoded to: $(od -c "$work/text" | head -5)"
echo "any text: $(wc -m <"$work/unicode") characters pasted, encoded to $(wc -c <"$work/code") and decoded exactly"

# Copy For Mail: a text long enough to take two lines in mail-safe form. The
# focus is in the plain-text field, its text selected.
mail_text='Meet me at noon\r\nand bring the map, the key and the book of old songs.'
xdotool type --delay 20 'Meet me at noon'
keys Return
xdotool type --delay 20 'and bring the map, the key and the book of old songs.'
keys alt+t e
box_after alt+t m
mail_box=$box_size
keys Return
clipboard >"$work/block"
# "Vantrel1~", the Base64 of the code and its checksum, "~~end": lines of at
# most 76 joined by CR LF.
tr -d '\r' <"$work/block" | awk 'length > 76 { exit 1 }' || fail "a line longer than 76: $(cat "$work/block")"
[ "$(tr -cd '\r' <"$work/block" | wc -c)" -eq "$(tr -cd '\n' <"$work/block" | wc -c)" ] &&
  [ "$(tr -cd '\n' <"$work/block" | wc -c)" -ge 1 ] || fail "not CR LF lines: $(od -c "$work/block" | head -5)"
[[ "$(tr -d '\r\n' <"$work/block")" =~ ^Vantrel1~([A-Za-z0-9+/=]+)~~end$ ]] ||
  fail "not a mail-safe form: $(cat "$work/block")"
base64=${BASH_REMATCH[1]}
printf '%s' "$base64" | base64 -d | head -c -4 >"$work/block-code"
printf '%b' "$mail_text" | "$expected_code" Secret >"$work/expected"
cmp -s "$work/block-code" "$work/expected" || fail "the form carries $(od -c "$work/block-code" | head -3)"
if [ -n "$cli" ]; then
  printf '%b' "$mail_text" | "$cli" encode --password-file "$work/password" >"$work/tool-code"
  cmp -s "$work/block-code" "$work/tool-code" || fail "the form carries another code than the tool's"
fi

# Copy For Mail while another program takes the clipboard back every tenth of
# a millisecond. X11 has no clipboard held open: a claim fails when another
# program claimed it after the time the window's claim carries, so the window
# may get it, at once or on a later try, or say that it is busy; it must say
# "copied" only when it really had the clipboard (the other program finds it
# taken), and keep running either way.
"$hold_clipboard" 100 >"$work/held" &
holder=$!
for _ in $(seq 200); do grep -q held "$work/held" && break; sleep 0.01; done
grep -q held "$work/held" || fail "ui_hold_clipboard could not take the clipboard"
copied=0 busy=0
for _ in 1 2 3; do
  taken=$(grep -c taken "$work/held" || true)
  box_after alt+t m
  keys Return
  kill -0 "$app" || fail "the program ended while the clipboard was taken: $(cat "$work/vantrel.log")"
  if [ "$box_size" = "$mail_box" ]; then
    [ "$(grep -c taken "$work/held" || true)" -gt "$taken" ] ||
      fail "said copied, but never had the clipboard"
    copied=$((copied + 1))
  else
    [ "$box_ms" -ge 900 ] || fail "a ${box_size} message after $box_ms ms, neither copied nor busy"
    busy=$((busy + 1))
  fi
done
kill "$holder"
wait "$holder" 2>/dev/null || true
echo "clipboard taken back every 0.1 ms: $copied copied, $busy busy;" \
  "$(grep -c 'Cannot set X11 selection owner' "$work/vantrel.log" || true) claims refused"

# The form after a trip through mail, pasted over the code and decoded.
{
  printf 'Hi Sam,\n\nhere it is:\n\n'
  tr -d '\r\n' <"$work/block" | fold -w 40 | sed 's/^/> /'
  printf '\n\n-- \nAlex\n'
} >"$work/mail"
xclip -selection clipboard -i <"$work/mail"
sleep 0.2
keys Tab ctrl+a Delete ctrl+v
keys alt+t d
keys shift+Tab ctrl+a ctrl+c
clipboard >"$work/text"
printf '%b' "$mail_text" >"$work/want"
cmp -s "$work/text" "$work/want" || fail "the mail decoded to: $(od -c "$work/text" | head -3)"
if [ -n "$cli" ]; then
  "$cli" decode --binary --password-file "$work/password" "$work/mail" >"$work/tool-text" ||
    fail "vantrel-cli could not decode the mail"
  cmp -s "$work/tool-text" "$work/want" || fail "the tool decoded the mail to: $(od -c "$work/tool-text" | head -3)"
fi
echo "copy for mail: $(wc -c <"$work/block") characters on $(($(tr -cd '\n' <"$work/block" | wc -c) + 1)) lines, the code of the model${cli:+ and the tool}," \
  "decoded after a trip through mail${cli:+ by the window and the tool}"

# A close request while a message box is open (the code field is empty:
# Copy says so) waits for the box, then the window closes.
box_after alt+t c
"$close_window" "$window" "$app" >"$work/moves" &
watcher=$!
sleep 0.5
kill -0 "$app" || fail "the program ended under the message box"
[ "$(wc -l <"$work/moves")" -eq 1 ] || fail "the window moved under the message box: $(cat "$work/moves")"
[ -n "$(xdotool search --onlyvisible --name '^Vantrel$' | grep -vx "$window" || true)" ] ||
  fail "the message box went away by itself"
xdotool key Return
wait "$watcher"
closed "close under a message box, 100 %" 116 27 move

# Closing at 100 % and at 125 % (the scaling a desktop sets with Xft.dpi,
# which Qt follows), a fresh window each; at 125 % the user asks twice.
start_vantrel
sleep 0.3
"$close_window" "$window" "$app" >"$work/moves"
closed "closing at 100 %" 116 27 request
start_xvfb 1024x768x24 -noreset # keeps the resources when the last client leaves
xprop -root -format RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "$(printf 'Xft.dpi:\t120\n')"
start_vantrel
sleep 0.3
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$WIDTH" -ge 442 ] && [ "$WIDTH" -le 443 ] || fail "at 125 % the window is $WIDTH pixels wide"
"$close_window" --twice "$window" "$app" >"$work/moves"
closed "closing at 125 %" 145 34 request

# On a screen smaller than the window, its top-left corner stays on the screen.
start_xvfb 320x240x24
start_vantrel
sleep 0.3
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$X" -ge 0 ] && [ "$Y" -ge 0 ] && [ "$WIDTH" -gt 320 ] ||
  fail "on a 320x240 screen the ${WIDTH}x${HEIGHT} window is at $X $Y"
echo "small screen: the ${WIDTH}x${HEIGHT} window is at $X $Y"

#!/usr/bin/env bash
# Drives Vantrel.exe under Wine with real X key events (xdotool), on the
# screen that on_screen.sh gives it and the run prefix's virtual desktop:
#
# - Encode with no password shows its message box: text, title, an icon,
#   owned by the window and modal.
# - A two-line text pasted into Text1, a password typed into Text3, Tools ›
#   Encode, Tools › Copy: the clipboard holds exactly the code the window
#   model makes (and vantrel-cli, when given), and X programs see it with
#   Wine's line-end conversion.
# - Text2 cleared, the code pasted back, Tools › Decode: Text1 holds the
#   text. Typing on there: Enter, Escape, Tab and Shift+Tab. A code made by
#   vantrel-cli decodes too.
# - Each row of the keystroke table, typed into Text3, adds its codes to the
#   key (measured by encoding a fixed text).
# - Alt+F4: the window shrinks, then slides down and right, and the program
#   ends with status 0.
#
# win_probe.exe, run in the same prefix, reads the Windows clipboard, the
# fields, the message box and the window's frame exactly.
#
#   real_window.sh WINE VANTREL.EXE WIN_PROBE.EXE KEYSTROKES.TSV [VANTREL-CLI]
set -euo pipefail
wine=$1
vantrel=$2
probe_exe=$3
table=$4
cli=${5:-}

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
for tool in xdotool xclip; do
  command -v "$tool" >/dev/null || fail "$tool is not installed"
done
: "${DISPLAY:?needs a display}" "${WINEPREFIX:?needs the Wine prefix of the test run}"

work=$(mktemp -d)
app=
cleanup() {
  [ -z "$app" ] || kill "$app" 2>/dev/null || true
  wineserver --kill 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

probe() { "$wine" "$probe_exe" "$@"; }
keys() {
  # shellcheck disable=SC2068 # a sequence of chords, one word each
  xdotool key --delay 30 $@
  sleep 0.3
}
type_text() {
  xdotool type --delay 30 "$1"
  sleep 0.3
}
same() { cmp -s "$1" "$2" || fail "$3: $(od -c "$1" | head -3) instead of $(od -c "$2" | head -3)"; }

"$wine" "$vantrel" 2>"$work/vantrel.log" &
app=$!
for _ in $(seq 60); do
  probe where 0 >/dev/null 2>&1 && break
  sleep 0.5
done
probe where 0 >/dev/null || fail "no window appeared"
# The fields stay where they are: find them once.
declare -A at
for n in 1 2 3; do
  at[$n]=$(probe where "$n")
done
click() {
  # shellcheck disable=SC2086 # "x y"
  xdotool mousemove ${at[$1]} click 1
  sleep 0.2
}
clear_field() {
  click "$1"
  keys ctrl+End shift+ctrl+Home Delete
}

# A message box: the window model's text, the window's title, an icon,
# owned by the window, which it disables.
click 1
keys alt+t e
probe box >"$work/box"
printf 'title Vantrel\ntext Enter Password Frist\nicon yes\nmodal yes\n' >"$work/want"
same "$work/box" "$work/want" "message box"
keys Return

# Encode and Copy.
text='Hello\r\nWorld 42'
printf "$text" >"$work/text"
probe clip-set <"$work/text"
click 1
keys ctrl+v
click 3
type_text Secret
keys alt+t e
keys alt+t c
grep -q '^text  Your Encoded Txt' <<<"$(probe box)" || fail "no confirmation of the copy"
keys Return
probe clip-get >"$work/code"
probe encode Secret <"$work/text" >"$work/expected"
[ -s "$work/expected" ] || fail "no expected code"
same "$work/code" "$work/expected" "code on the clipboard"
if [ -n "$cli" ]; then
  printf 'Secret\n' >"$work/password"
  "$cli" encode --password-file "$work/password" "$work/text" >"$work/cli-code"
  same "$work/code" "$work/cli-code" "code on the clipboard against vantrel-cli's"
fi
# X programs get the code with each CR LF as LF: Wine's clipboard bridge.
xclip -selection clipboard -o >"$work/x-code"
sed -z 's/\r\n/\n/g' "$work/code" >"$work/x-expected"
same "$work/x-code" "$work/x-expected" "code on the X clipboard"

# The code pasted back into the cleared code field decodes to the text.
clear_field 2
[ -z "$(probe field 2)" ] || fail "the code field did not clear"
keys ctrl+v
probe field 2 >"$work/pasted"
same "$work/pasted" "$work/code" "pasted code"
keys alt+t d
probe field 1 >"$work/decoded"
same "$work/decoded" "$work/text" "decoded text"

# Typing on in the text field: Enter breaks the line, Escape does nothing (a
# multi-line EDIT would close the window), and Tab and Shift+Tab come back to
# the caret rather than selecting the text for the next key to replace.
click 1
keys ctrl+End Return Escape
type_text more
keys Tab shift+Tab
type_text '!'
printf "$text"'\r\nmore!' >"$work/want"
probe field 1 >"$work/typed"
same "$work/typed" "$work/want" "typed text"

# A code from the command-line tool, made with the same password, decodes.
if [ -n "$cli" ]; then
  printf 'From the tool:\r\n100%% the same code.' >"$work/tool-text"
  "$cli" encode --password-file "$work/password" "$work/tool-text" | probe clip-set
  click 2
  keys ctrl+v alt+t d
  probe field 1 >"$work/decoded"
  same "$work/decoded" "$work/tool-text" "the tool's code decoded"
fi

# The keystroke table. Each row: "x" into Text1, then "a" and the row's keys
# into Text3, then Encode; the key the code was made with is the previous
# key plus 97 and the row's codes, mod 100.
#
# Where Wine reports a key differently from Windows, it is listed here with
# what Wine gives; the table keeps what Windows gives.
declare -A under_wine=(
  [ctrl+BackSpace]=8
)
key_now() {
  local key
  key=$(probe key x) || fail "after keys '$1' no code for \"x\": $(probe box | tr '\n' ' ')"
  echo "$key"
}
clear_field 1
type_text x
click 3
keys alt+t e
previous=$(key_now "(none)")
rows=0
mismatches=()
while IFS=$'\t' read -r row codes layout; do
  [[ -z $row || $row == \#* ]] && continue
  # Rows for another keyboard layout need Wine started with it: not here.
  [ "${layout:-us}" = us ] || continue
  codes=${under_wine[$row]:-$codes}
  sum=97
  if [ "$codes" != - ]; then
    for code in ${codes//,/ }; do
      sum=$((sum + code))
    done
  fi
  click 1
  type_text x
  click 3
  keys End a
  keys "$row"
  keys alt+t e
  key=$(key_now "$row")
  want=$(((previous + sum) % 100))
  [ "$key" -eq "$want" ] ||
    mismatches+=("$row: key $key, expected $want (codes $codes)")
  previous=$key
  rows=$((rows + 1))
done <"$table"
[ "$rows" -gt 0 ] || fail "no rows in $table"
[ ${#mismatches[@]} -eq 0 ] || fail "keystrokes: $(printf '%s; ' "${mismatches[@]}")"

# Closing: the probe watches the frame from inside Wine.
probe watch >"$work/frames" &
watcher=$!
for _ in $(seq 100); do
  [ -s "$work/frames" ] && break
  sleep 0.1
done
click 1
keys alt+F4
wait "$watcher" || fail "the watch failed"
status=0
wait "$app" || status=$?
app=
[ "$status" -eq 0 ] || fail "Vantrel.exe ended with status $status"
grep -qx 'exit 0' "$work/frames" || fail "the program did not end: $(tail -1 "$work/frames")"
# Frames: "left top width height". Never back up or grow; first shrink, then
# slide at the smallest size.
awk '
  /^exit/ { next }
  { n++; l[n] = $1; t[n] = $2; w[n] = $3; h[n] = $4 }
  END {
    for (i = 2; i <= n; i++) {
      if (l[i] < l[i-1] || t[i] < t[i-1] || w[i] > w[i-1] || h[i] > h[i-1]) {
        print "moved back or grew at frame " i; bad = 1
      }
      if (w[i] == w[n] && h[i] == h[n] && w[i-1] == w[n] && h[i-1] == h[n]) slid++
    }
    if (w[n] >= w[1]) { print "never shrank"; bad = 1 }
    if (slid < 3) { print "slid only " slid + 0 " times at its smallest"; bad = 1 }
    exit bad
  }' "$work/frames" >"$work/verdict" ||
  fail "closing: $(tr '\n' ' ' <"$work/verdict"); frames: $(head -3 "$work/frames" | tr '\n' ' ')... $(tail -4 "$work/frames" | tr '\n' ' ')"
echo "real window: box, code, paste, decode, $rows keystrokes and closing as expected ($(grep -vc exit "$work/frames") frames seen)"

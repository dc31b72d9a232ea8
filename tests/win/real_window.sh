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
# - A clipboard that another program holds: for a moment, Copy waits for
#   it; for long, Copy and Copy For Mail say it is busy and the program
#   runs on with its fields as they were.
# - Tools › Copy For Mail: the mail-safe form of the code, which vantrel-cli
#   decodes after a trip through mail (quoted, re-wrapped, LF line ends,
#   text around it), and so does the window; a damaged block is refused.
# - Text2 cleared, the code pasted back, Tools › Decode: Text1 holds the
#   text. Typing on there: Enter, Escape, Tab and Shift+Tab. A text of any
#   script, pasted, comes back exactly; half of a surrogate pair is refused.
#   A code made by vantrel-cli decodes too, as it is and in its mail-safe form.
# - Each row of the keystroke table, typed into Text3, adds its codes to the
#   key (measured by encoding a fixed text).
# - Closing, at 100 % on a 1024 x 768 desktop (Alt+F4), at 125 % (a click on
#   the close button while a message box is up: the window closes once the
#   box is dismissed) and at 125 % on a 2560 x 1440 desktop (WM_CLOSE from
#   another program): the window shrinks around its centre, then slides down
#   and right, all within about a second, and the program ends with status 0
#   as soon as the window is off the screen.
#
# win_probe.exe, run in the same prefix, reads the Windows clipboard, the
# fields, the message box and the window's frame exactly, and holds the
# clipboard as a clipboard manager may.
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
holder=
scaled=
cleanup() {
  exec 3>&- 2>/dev/null || true
  [ -z "$app" ] || kill "$app" 2>/dev/null || true
  [ -z "$holder" ] || kill "$holder" 2>/dev/null || true
  # The prefix is the run's: later tests get it at 100 % on 1024 x 768.
  [ -z "$scaled" ] || set_screen 96 1024x768 || true
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

# The scaling (dots per inch) and the size of the virtual desktop that Wine
# processes started after this one get.
set_screen() {
  "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null
  "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$2" /f >/dev/null
  wineserver --kill
  wineserver --wait
}
declare -A at
start() {
  "$wine" "$vantrel" 2>"$work/vantrel.log" &
  app=$!
  for _ in $(seq 60); do
    probe where 0 >/dev/null 2>&1 && break
    sleep 0.5
  done
  probe where 0 >/dev/null || fail "no window appeared"
  # The fields stay where they are: find them once.
  for n in 1 2 3; do
    at[$n]=$(probe where "$n")
  done
}
start
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
# Long enough for its mail-safe code to take more than one line.
text='Hello\r\nWorld 42: meet me at the harbour at nine, and bring the map and the lantern.'
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

# Another program holds the clipboard: win_probe, run until it has it.
hold() {
  rm -f "$work/held"
  probe clip-hold "$@" <&0 >"$work/held" 3>&- &
  holder=$!
  for _ in $(seq 100); do
    grep -q held "$work/held" 2>/dev/null && return
    sleep 0.05
  done
  fail "the clipboard could not be held"
}
# The message box says $1 (its first line), and is dismissed.
box_says() {
  probe box | tr -d '\r' >"$work/box"
  grep -qxF "text $1" "$work/box" || fail "$2: $(tr '\n' ' ' <"$work/box")"
  keys Return
}
# For a moment (as clipboard managers do): Copy waits for it.
probe clip-set </dev/null
hold 700
keys alt+t c
box_says ' Your Encoded Txt ' "no copy while the clipboard was held for a moment"
wait "$holder"
holder=
probe clip-get >"$work/copied"
same "$work/copied" "$work/code" "code copied after a moment's wait"
# For long: both copies say so, and the program runs on as it was.
probe field 1 >"$work/field1"
mkfifo "$work/release"
exec 3<>"$work/release" # held until this is closed
hold <"$work/release"
keys alt+t c
box_says 'The clipboard is in use by another program; choose Copy again.' "busy clipboard, Copy"
keys alt+t m
box_says 'The clipboard is in use by another program; choose Copy For Mail again.' \
  "busy clipboard, Copy For Mail"
exec 3>&-
wait "$holder"
holder=
kill -0 "$app" 2>/dev/null || fail "Vantrel.exe ended on a busy clipboard"
probe field 1 | cmp -s - "$work/field1" || fail "the text field changed on a busy clipboard"
probe field 2 | cmp -s - "$work/code" || fail "the code field changed on a busy clipboard"

# Copy For Mail: the code's mail-safe form, its lines joined by CR LF.
keys alt+t m
grep -q '^text The code has been copied to the clipboard in its mail-safe form.' \
  <<<"$(probe box)" || fail "no confirmation of the copy for mail"
keys Return
probe clip-get >"$work/block"
probe mail-safe <"$work/code" | sed -z 's/\n/\r\n/g' >"$work/block-expected"
same "$work/block" "$work/block-expected" "mail-safe code on the clipboard"
[ "$(grep -c $'\r$' "$work/block")" -ge 1 ] || fail "the mail-safe code fits on one line: make the text longer"
# What mail makes of it: LF line ends, re-wrapped, quoted, with a greeting
# and a signature around it.
by_mail() {
  printf 'Hi Ann,\n\nthe code, as promised:\n\n'
  tr -d '\r' | fold -w 50 | sed 's/^/> /'
  printf '\n\nSee you,\n-- \nBob\n'
}
by_mail <"$work/block" >"$work/mail"
if [ -n "$cli" ]; then
  "$cli" decode --binary --password-file "$work/password" "$work/mail" >"$work/cli-text"
  same "$work/cli-text" "$work/text" "the mailed code decoded by vantrel-cli"
fi
# Copy works again, and leaves the code on the clipboard for the paste below.
keys alt+t c
box_says ' Your Encoded Txt ' "no copy once the clipboard was free"
probe clip-get >"$work/copied"
same "$work/copied" "$work/code" "code copied once the clipboard was free"

# The code pasted back into the cleared code field decodes to the text.
clear_field 2
[ -z "$(probe field 2)" ] || fail "the code field did not clear"
keys ctrl+v
probe field 2 >"$work/pasted"
same "$work/pasted" "$work/code" "pasted code"
keys alt+t d
probe field 1 >"$work/decoded"
same "$work/decoded" "$work/text" "decoded text"

# The mailed code, pasted whole into the code field, decodes too; with one
# letter changed on its way it is refused as damaged, and neither field
# changes.
paste_code() {
  probe clip-set <"$1"
  clear_field 2
  keys ctrl+v
}
paste_code "$work/mail"
keys alt+t d
probe field 1 >"$work/decoded"
same "$work/decoded" "$work/text" "the mailed code decoded"
awk '/^> / && ++n == 2 { c = substr($0, 3, 1); $0 = "> " (c == "A" ? "B" : "A") substr($0, 4) } 1' \
  "$work/mail" >"$work/damaged"
cmp -s "$work/damaged" "$work/mail" && fail "the damaged copy is not damaged"
paste_code "$work/damaged"
probe field 2 >"$work/before"
keys alt+t d
box_says "The code was changed on its way to you: ask for it again." "a damaged code"
probe field 1 | cmp -s - "$work/decoded" || fail "a damaged code changed the text field"
probe field 2 | cmp -s - "$work/before" || fail "a damaged code changed the code field"

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

# Any text, pasted into Text1 (curly quotes, accents, Cyrillic, Hebrew, CJK,
# a tab, an emoji sequence with a joiner and skin tone, a combining mark, a
# character above U+FFFF): the code on the clipboard is the model's (and
# vantrel-cli's), and pasted back it decodes to exactly that text. Half of a
# surrogate pair is refused, naming its place, and stays in the field.
# shellcheck disable=SC1112 # the curly quotes are the point
printf '%s\r\n%s\t%s' 'I’m “café” Привет שלום 中文' tab '👩🏽‍💻 é 𝄞 — ok…' >"$work/unicode"
probe --utf8 clip-set <"$work/unicode"
clear_field 1
keys ctrl+v
keys alt+t e
keys alt+t c
box_says ' Your Encoded Txt ' "no copy of the code of any text"
probe clip-get >"$work/code"
probe --utf8 encode Secret <"$work/unicode" >"$work/expected"
same "$work/code" "$work/expected" "code of any text"
if [ -n "$cli" ]; then
  "$cli" encode --password-file "$work/password" "$work/unicode" >"$work/cli-code"
  same "$work/code" "$work/cli-code" "code of any text against vantrel-cli's"
fi
paste_code "$work/code"
keys alt+t d
probe --utf8 field 1 >"$work/decoded"
same "$work/decoded" "$work/unicode" "any text decoded"
printf 'ab\r\nc\xed\xa0\xbd' >"$work/broken"
probe --utf8 clip-set <"$work/broken"
clear_field 1
keys ctrl+v
keys alt+t e
box_says 'The text holds a broken character at line 2, column 2: half of a surrogate pair (U+D83D) whose other half is missing, so it cannot be encoded.' \
  "half of a surrogate pair"
probe --utf8 field 1 >"$work/kept"
same "$work/kept" "$work/broken" "the text with half of a surrogate pair"

# A code from the command-line tool, made with the same password, decodes,
# as it is and mailed in its mail-safe form (as the Linux window copies it).
if [ -n "$cli" ]; then
  printf 'From the tool:\r\n100%% the same code.' >"$work/tool-text"
  "$cli" encode --password-file "$work/password" "$work/tool-text" >"$work/tool-code"
  paste_code "$work/tool-code"
  keys alt+t d
  probe field 1 >"$work/decoded"
  same "$work/decoded" "$work/tool-text" "the tool's code decoded"
  probe mail-safe <"$work/tool-code" | by_mail >"$work/tool-mail"
  paste_code "$work/tool-mail"
  clear_field 1
  keys alt+t d
  probe field 1 >"$work/decoded"
  same "$work/decoded" "$work/tool-text" "the tool's mailed code decoded"
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

# Closing, watched from inside Wine: `closing WIDTH HEIGHT LABEL COMMAND...`
# runs the command that asks for it, on a screen of WIDTH x HEIGHT pixels,
# and checks the frames ("left top width height ms"). The window never
# backs up or grows; each side keeps its centre, to a pixel, until it stops
# at its smallest; it slides at its smallest size; it is off the screen
# within 1.2 s of its first step (it is paced to 0.5 s: the rest is margin
# for a busy machine), with no step after that; and the program ends with
# status 0 within 0.25 s of the window leaving the screen.
closing() {
  local width=$1 height=$2 label=$3
  shift 3
  rm -f "$work/frames"
  probe watch >"$work/frames" &
  local watcher=$!
  for _ in $(seq 100); do
    [ -s "$work/frames" ] && break
    sleep 0.1
  done
  "$@"
  wait "$watcher" || fail "$label: the watch failed"
  grep -qx 'exit 0' "$work/frames" || fail "$label: the program did not end: $(tail -1 "$work/frames")"
  wait "$app"
  app=
  awk -v sw="$width" -v sh="$height" -v label="$label" '
    /^exit/ { next }
    /^ended/ { ended = $2; next }
    { n++; l[n] = $1; t[n] = $2; w[n] = $3; h[n] = $4; ms[n] = $5 }
    function off_centre(from, size, i) {
      d = 2 * from[i] + size[i] - 2 * from[1] - size[1]
      d = d < 0 ? -d : d
      if (d > worst) worst = d
      return d > 2
    }
    END {
      for (i = 2; i <= n; i++) {
        if (l[i] < l[i-1] || t[i] < t[i-1] || w[i] > w[i-1] || h[i] > h[i-1]) {
          print "moved back or grew at frame " i; bad = 1
        }
        if ((w[i] > w[n] && off_centre(l, w, i)) || (h[i] > h[n] && off_centre(t, h, i))) {
          print "off its centre at frame " i; bad = 1
        }
        if (w[i] == w[n] && h[i] == h[n]) slid++
        if (i < n && (t[i] >= sh || l[i] >= sw)) { print "moved on off the screen at frame " i; bad = 1 }
      }
      if (n < 3 || w[n] >= w[1]) { print "never shrank"; bad = 1 }
      if (t[n] < sh && l[n] < sw) { print "stopped on the screen"; bad = 1 }
      if (slid < 3) { print "slid only " slid + 0 " times at its smallest"; bad = 1 }
      took = ms[n] - ms[2]
      if (took > 1200) { print "took " took " ms"; bad = 1 }
      if (ended - ms[n] > 250) { print "lived on " ended - ms[n] " ms after leaving the screen"; bad = 1 }
      if (!bad)
        printf "closing at %s: %d frames in %.0f ms, centre within %.1f px, ended %.0f ms after leaving the screen\n", label, n, took, worst / 2, ended - ms[n]
      exit bad
    }' "$work/frames" >"$work/verdict" ||
    fail "closing at $label: $(tr '\n' ' ' <"$work/verdict"); frames: $(head -3 "$work/frames" | tr '\n' ' ')... $(tail -4 "$work/frames" | tr '\n' ' ')"
  cat "$work/verdict"
}
alt_f4() {
  click 1
  keys alt+F4
}
closing 1024 768 "100 %, 1024 x 768" alt_f4

# At 125 %, a click on the close button while a message box is up closes the
# window once the box is dismissed.
scaled=yes
set_screen 120 1024x768
start
click 1
keys alt+t e
probe box >/dev/null || fail "no message box at 125 %"
# shellcheck disable=SC2046 # "x y"
xdotool mousemove $(probe where close) click 1
sleep 0.5
probe where 0 >/dev/null || fail "the window closed under its message box"
closing 1024 768 "125 %, 1024 x 768, closed under a message box" keys Return

# On a wide screen, closed by another program.
set_screen 120 2560x1440
start
from_outside() { probe close >/dev/null; }
closing 2560 1440 "125 %, 2560 x 1440" from_outside
echo "real window: box, code, busy clipboard, copy for mail, paste, decode, $rows keystrokes and closing as expected"

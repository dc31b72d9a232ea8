#!/usr/bin/env bash
# Checks the window against the keystroke table (tests/keystrokes.tsv) with
# real X key events under Xvfb. One window per keyboard layout; for each row:
# type the row's keys into the password field, then "k" (so that the field
# is never empty), enter "Hi" as the text, Encode, copy the code and find the
# key it was made with. As the key lasts from one Encode to the next, the
# row's codes are the difference to the key before, modulo 100 (all a code
# can tell). Prints every row's result; fails if any row differs.
set -euo pipefail
vantrel=$1
expected_code=$2
table=$3

source "$(dirname "$0")/xvfb.sh"
command -v setxkbmap >/dev/null || fail "setxkbmap is not installed"
# -noreset: a layout set between two windows stays when no client is left.
start_xvfb 1024x768x24 -noreset

keys=() codes=() layouts=()
while IFS=$'\t' read -r k c l; do
  [[ -z "$k" || "$k" == \#* ]] && continue
  keys+=("$k") codes+=("$c") layouts+=("${l:-us}")
done <"$table"
[ "${#keys[@]}" -gt 0 ] || fail "no rows in $table"

click() { # x y, in the client area
  echo "mousemove --window $window $1 $(($2 + menu)) click --delay 1 1"
}

wait_windows() { # until the program shows this many windows (with its menu)
  for _ in $(seq 250); do
    [ "$(xdotool search --onlyvisible --classname '^vantrel$' 2>/dev/null | wc -l)" -eq "$1" ] && return
    sleep 0.02
  done
  fail "the menu did not open or close as expected"
}

failed=0
done_layouts=" "
for i in "${!keys[@]}"; do
  layout=${layouts[$i]}
  [[ "$done_layouts" == *" $layout "* ]] && continue
  done_layouts+="$layout "
  setxkbmap -layout "$layout" || fail "cannot load the keyboard layout $layout"
  start_vantrel
  # The fields sit at fixed places below the menu bar.
  menu=$(($(xdotool getwindowgeometry --shell "$window" | sed -n 's/^HEIGHT=//p') - 266))
  key=0
  for j in "${!keys[@]}"; do
    [ "${layouts[$j]}" = "$layout" ] || continue
    sum=0
    [ "${codes[$j]}" = - ] || for code in ${codes[$j]//,/ }; do sum=$((sum + code)); done
    # A mark on the clipboard, in place before the keys (xclip takes the
    # clipboard after it has returned).
    printf 'none yet' | xclip -selection clipboard -i >/dev/null 2>&1
    until [ "$(xclip -selection clipboard -o 2>/dev/null)" = 'none yet' ]; do sleep 0.01; done
    # Into the password field with the right button: its context menu showing
    # means the click has reached the field. (Keys read together with the
    # click would meet the input method of the field that had the focus,
    # which takes dead keys.)
    xdotool mousemove --window "$window" 168 $((menu + 18)) click 3
    wait_windows 2
    xdotool key Escape
    wait_windows 1
    {
      echo "key --delay 1 End"
      echo "key --delay 20 ${keys[$j]}"
      echo "key --delay 1 k"
      click 176 92 # the plain-text field
      echo "key --delay 1 ctrl+a"
      echo "type --delay 1 Hi"
      echo "key --delay 1 alt+t"
    } | xdotool -
    # Encode once the menu shows, and go on once it has gone.
    wait_windows 2
    xdotool key --delay 1 e
    wait_windows 1
    {
      click 176 204 # the code field
      echo "key --delay 1 ctrl+a ctrl+c"
    } | xdotool -
    for _ in $(seq 100); do
      xclip -selection clipboard -o >"$work/code" 2>/dev/null || true
      [ "$(cat "$work/code")" != 'none yet' ] && break
      sleep 0.02
    done
    kill -0 "$app" 2>/dev/null || fail "the program ended at row '${keys[$j]}': $(cat "$work/vantrel.log")"
    got=$("$expected_code" --key Hi <"$work/code") ||
      fail "no code after row '${keys[$j]}': $(od -c "$work/code" | head -3)"
    want=$(((key + sum + 107) % 100))
    if [ "$got" -eq "$want" ]; then
      printf 'ok    %-36s %-8s %s\n' "${keys[$j]}" "${codes[$j]}" "$layout"
    else
      printf 'FAIL  %-36s %-8s %s: added %d (mod 100), Windows adds %d\n' "${keys[$j]}" \
        "${codes[$j]}" "$layout" $(((got - key - 107 + 200) % 100)) $((sum % 100))
      failed=$((failed + 1))
    fi
    key=$got
  done
  stop_vantrel
done
echo "keystroke table: ${#keys[@]} rows, $failed differ"
[ "$failed" -eq 0 ]

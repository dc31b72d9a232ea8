#!/usr/bin/env bash
# vantrel-cli.exe under Wine against the Linux vantrel-cli built from the
# same sources: the same codes, byte for byte, through files, redirections,
# Unix pipes, -o and cmd's own pipes; the same statuses and messages (bar
# the system's wording of an error) for failures.
#
#   wine_tool_test.sh WINE EXE HOST_CLI
set -uo pipefail
wine=$1
exe=$2
host=${3:-}
[ -x "$host" ] || {
  echo "SKIP: no Linux vantrel-cli to compare with (VANTREL_HOST_CLI)"
  exit 77
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
same() { # what, expected file, actual file
  cmp -s "$2" "$3" || fail "$1: $(od -c "$3" | head -3) instead of $(od -c "$2" | head -3)"
}
win() { "$wine" "$exe" "$@"; }
winexe=$("$wine" winepath -w "$exe")

# name | text (printf format) | password | options
codes=(
  "hello|Hello|k|"
  "unix-lines|Line one\nLine two\n|open sesame|"
  "windows-lines|Line one\r\nLine two\r\n|d|--binary"
  "lone-return|a lone\rreturn|\$|--binary"
  "code-page|Costs 5 euros|caf\xc3\xa9 \xe2\x82\xac|"
  "escaped|To be\r\nescaped|c|--escaped"
  "armored|Meet at nine, bring the map and the torch.|k|--armor"
  "long|$(printf 'All work and no play. %.0s' {1..900})|k|"
  "any-text|I\xe2\x80\x99m caf\xc3\xa9\t\xd0\x9f\xd1\x80\xd0\xb8 \xe4\xb8\xad \xf0\x9f\x98\x80~\n|k|"
  "any-bytes|\x01\xff\xfe bytes \x1f\x1e\r\n\x00|k|--binary"
)
all_codes=
for row in "${codes[@]}"; do
  IFS='|' read -r name text password options <<<"$row"
  printf "$text" >"$name.txt"
  printf '%s\n' "$(printf "$password")" >"$name.pw"
  args=(--password-file "$name.pw" $options)
  "$host" encode "${args[@]}" "$name.txt" >"$name.code" || fail "$name: the Linux tool failed"
  "$host" decode "${args[@]}" "$name.code" >"$name.back" || fail "$name: the Linux tool failed"
  all_codes+=$(cat "$name.code")

  win encode "${args[@]}" "$name.txt" >"$name.file"
  win encode "${args[@]}" <"$name.txt" >"$name.redirected"
  cat "$name.txt" | win encode "${args[@]}" | cat >"$name.piped"
  win encode "${args[@]}" -o "$name.output" "$name.txt"
  "$wine" cmd /c "$winexe encode ${args[*]} < $name.txt > $name.cmd"
  for way in file redirected piped output cmd; do
    same "$name: encode, $way" "$name.code" "$name.$way"
  done
  cat "$name.code" | win decode "${args[@]}" | cat >"$name.decoded"
  same "$name: decode through a pipe" "$name.back" "$name.decoded"
  "$wine" cmd /c "$winexe encode ${args[*]} $name.txt | $winexe decode ${args[*]} > $name.round"
  same "$name: encode | decode in cmd" "$name.back" "$name.round"
done
# The codes must carry what a text-mode stream would change: CR, LF, and
# other control characters.
[[ $all_codes == *$'\r'* && $all_codes == *$'\n'* ]] || fail "no code in the table holds CR or LF"
[ -n "$(printf '%s' "$all_codes" | tr -dc '\016-\037')" ] ||
  fail "no code in the table holds another control character"

# A mail-safe code read out of a whole mail: quoted, with CR LF line ends.
{ printf 'Hi Ann,\r\n\r\n'; sed 's/^/> /; s/$/\r/' armored.code; printf -- '-- \r\nBob\r\n'; } >mail.txt
win decode --password-file armored.pw mail.txt >mail.back
same "a mail-safe code inside a mail" armored.back mail.back
sed '1s/^\(.\{20\}\)./\1Q/' armored.code >damaged.txt
cmp -s armored.code damaged.txt && sed -i '1s/^\(.\{20\}\)./\1R/' damaged.txt

# The password on standard input, the text after it; a file name beyond ASCII.
printf 'k\nHello' | win encode --password-fd 0 >fd0.code
same "--password-fd 0" hello.code fd0.code
cp hello.txt 'naïve €.txt'
win encode --password-file hello.pw 'naïve €.txt' >named.code
same "a file name beyond ASCII" hello.code named.code

# --output: a file replaced whole, no temporary file left, on success or not.
echo old >replaced
win encode --password-file hello.pw -o replaced hello.txt
same "-o over an existing file" hello.code replaced
win encode --password-file hello.pw -o no-folder/out hello.txt 2>/dev/null
[ $? -eq 74 ] || fail "-o into a missing folder: not status 74"
long=$(printf 'n%.0s' {1..240})
win encode --password-file hello.pw -o "$long" hello.txt
same "-o with a 240-character name" hello.code "$long"
leftovers=$(find . -name '*.vantrel-*')
[ -z "$leftovers" ] || fail "temporary files left: $leftovers"

# status | command line (after encode or decode; run by both tools with no
# terminal). Messages must match but for the system's own words after
# "cannot read FILE:" or "cannot write FILE:".
printf 'wrong\n' >wrong.pw
: >empty.txt
cp hello.txt same.txt
printf 'd\xc3\xa9j\xc3\xa0 vu' >accent.txt
statuses=(
  "1|decode --password-file wrong.pw hello.code"
  "1|decode --password-file hello.pw hello.txt"
  "2|encode --password-file hello.pw empty.txt"
  "2|encode --compatible --password-file hello.pw accent.txt"
  "65|decode --password-file armored.pw damaged.txt"
  "64|encode --bogus"
  "64|encode --password=k hello.txt"
  "64|encode --password-fd 5 hello.txt"
  "64|encode hello.txt"
  "64|encode --password-file hello.pw -o same.txt same.txt"
  "0|encode --password-file hello.pw -o NUL hello.txt"
  "66|encode --password-file hello.pw missing.txt"
  "66|encode --password-file missing.pw hello.txt"
  "66|decode --password-file hello.pw ."
  "74|encode --password-file hello.pw -o . hello.txt"
)
words='s/\(cannot [a-z]* [^:]*\): .*/\1: .../'
for row in "${statuses[@]}"; do
  IFS='|' read -r expected line <<<"$row"
  eval "setsid -w \"\$host\" $line" </dev/null >/dev/null 2>host.err
  host_status=$?
  eval "setsid -w \"\$wine\" \"\$exe\" $line" </dev/null >/dev/null 2>win.err
  status=$?
  [ "$host_status" -eq "$expected" ] || fail "$line: the Linux tool gave $host_status"
  [ "$status" -eq "$expected" ] || fail "$line: status $status, not $expected: $(cat win.err)"
  [ "$(sed "$words" win.err)" = "$(sed "$words" host.err)" ] ||
    fail "$line: \"$(cat win.err)\" where Linux says \"$(cat host.err)\""
done
# Standard output the same file as the input: Wine can tell only for
# handles that cmd made.
"$wine" cmd /c "$winexe encode --password-file hello.pw same.txt >> same.txt" 2>win.err
[ $? -eq 64 ] || fail "encode same.txt >> same.txt in cmd: not refused: $(cat win.err)"
grep -q "which the result would be written into" win.err ||
  fail "encode same.txt >> same.txt in cmd: \"$(cat win.err)\" says it was emptied"
cmp -s hello.txt same.txt || fail "the input given as the output was changed"

[ "$failures" -eq 0 ] || exit 1
echo "vantrel-cli.exe gives the Linux tool's codes, statuses and messages"

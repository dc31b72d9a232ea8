#!/usr/bin/env bash
# Completes vantrel-cli command lines with the bash completion as installed,
# and checks that zsh reads its completion. Usage: completion_test.sh FOLDER
set -euo pipefail
folder=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
touch password.txt input.txt

source /usr/share/bash-completion/bash_completion
source "$folder/vantrel-cli.bash"

failures=0
# expect "WORDS BEFORE THE CURSOR" "WORD BEING COMPLETED" "CANDIDATES"
expect() {
  local before=$1 current=$2 want=$3
  read -ra COMP_WORDS <<<"vantrel-cli $before"
  COMP_WORDS+=("$current")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="${COMP_WORDS[*]}"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _vantrel_cli vantrel-cli "$current" "${COMP_WORDS[COMP_CWORD - 1]}" || true
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
  if [ "$got" != "$want" ]; then
    echo "FAIL: vantrel-cli $before $current<TAB> gave '$got', not '$want'" >&2
    failures=$((failures + 1))
  fi
}

expect "" "" "decode encode"
expect "" "e" "encode"
expect "" "--es" "--escaped"
expect "encode" "--ar" "--armor"
expect "encode" "--b" "--binary --block"
expect "encode" "--com" "--compatible"
expect "decode" "--bl" "--block"
expect "decode --block" "" ""
expect "decode --block 2" "inp" "input.txt"
expect "encode --password-file" "pass" "password.txt"
expect "--password-fd 3" "d" "decode"
expect "decode --escaped" "inp" "input.txt"
expect "decode -o" "in" "input.txt"

if command -v zsh >/dev/null; then
  zsh -n "$folder/_vantrel-cli" || { echo "FAIL: zsh cannot read _vantrel-cli" >&2; failures=$((failures + 1)); }
  head -1 "$folder/_vantrel-cli" | grep -qx '#compdef vantrel-cli' ||
    { echo "FAIL: _vantrel-cli does not name its command" >&2; failures=$((failures + 1)); }
fi
[ "$failures" -eq 0 ] && echo "all completions as expected"
exit "$failures"

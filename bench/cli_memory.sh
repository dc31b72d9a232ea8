#!/usr/bin/env bash
# Peak memory of vantrel-cli on 16 MiB inputs, far past the longest text or
# code, as /usr/bin/time -v reports it: an escaped code, a raw code and a
# text, each on a file and on a pipe. Every run must be refused (status 2)
# without holding more than a small part of its input in memory. Then the
# largest mail decode reads (64 MiB, its block at the end), which decodes
# (status 0) in memory far below the mail's size, and its time.
#
#   bench/cli_memory.sh [VANTREL-CLI]     (default: build/release/cli/vantrel-cli)
set -euo pipefail
cd "$(dirname "$0")/.."
tool=${1:-build/release/cli/vantrel-cli}
if [ ! -x "$tool" ]; then
  cmake --preset release >/dev/null
  cmake --build build/release -j2 --target vantrel-cli >/dev/null
fi
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf 'k\n' >"$work/pw"
head -c $((16 << 20)) /dev/zero | tr '\0' 'A' >"$work/letters"

measure() {  # LABEL COMMAND ARGS... < input
  local label=$1
  shift
  /usr/bin/time -v "$@" >/dev/null 2>"$work/log" || true
  local peak status
  peak=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/log")
  status=$(sed -n 's/.*Exit status: //p' "$work/log")
  printf '%-34s peak %7s kB   status %s\n' "$label" "$peak" "$status"
}

input_kb=$(($(stat -c %s "$work/letters") / 1024))
echo "input: $input_kb kB of \"A\""
measure "decode --escaped, file" "$tool" decode --escaped --password-file "$work/pw" "$work/letters"
measure "decode --escaped, pipe" sh -c "cat '$work/letters' | '$tool' decode --escaped --password-file '$work/pw'"
measure "decode, file" "$tool" decode --password-file "$work/pw" "$work/letters"
measure "encode, file" "$tool" encode --password-file "$work/pw" "$work/letters"
measure "--version (the tool at rest)" "$tool" --version

printf 'Meet at nine.' | "$tool" encode --armor --password-file "$work/pw" >"$work/block"
{
  while [ "$(stat -c %s "$work/mail" 2>/dev/null || echo 0)" -lt $(((64 << 20) - (1 << 20))) ]; do
    head -c $((1 << 20)) "$work/letters" | fold -w 70 | sed 's/^/> > /' >>"$work/mail"
  done
  cat "$work/block" >>"$work/mail"
}
echo "mail: $(($(stat -c %s "$work/mail") / 1024)) kB, the block at its end"
measure "decode a 64 MiB mail, file" "$tool" decode --password-file "$work/pw" "$work/mail"
measure "decode a 64 MiB mail, pipe" sh -c "cat '$work/mail' | '$tool' decode --password-file '$work/pw'"
start=$(date +%s.%N)
"$tool" decode --password-file "$work/pw" "$work/mail" >/dev/null
echo "decode a 64 MiB mail: $(echo "$(date +%s.%N) - $start" | bc) s"

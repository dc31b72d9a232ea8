#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (the 'fuzz' preset, in
# build/fuzz) and runs each one for a bounded time, starting from a scratch
# copy of its seed corpus (build/fuzz/work/<target>) so the committed corpus
# stays as it is. Prints each target's executions and coverage, and exits
# non-zero when any target finds an input that breaks it; such an input is
# kept under build/fuzz/findings/<target>/.
#
#   fuzz/run.sh [SECONDS_PER_TARGET] [TARGET...] [-- LIBFUZZER_FLAG...]
#
# Default: 60 seconds, every target. Flags after "--" go to every target's
# run, e.g. -fork=2 to fuzz on two cores.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
chosen=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  chosen+=("$1")
  shift
done
[ $# -gt 0 ] && shift
flags=("$@")

cmake --preset fuzz -DVANTREL_WERROR=ON >/dev/null
list=build/fuzz/fuzz/targets
targets=()
for description in "$list"/*.txt; do
  if [ -f "$description" ]; then
    targets+=("fuzz_$(basename "$description" .txt)")
  fi
done
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz target is configured" >&2
  exit 1
fi
cmake --build --preset fuzz -j2 --target "${targets[@]}"

findings=build/fuzz/findings
# Each target's run starts afresh from its seeds; what it grew stays here, to
# look at or to merge into the committed corpus, until that target runs again.
scratch=build/fuzz/work

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
# Qt's font database lives as long as the program: not a finding.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp}

failed=0
summary=""
for description in "$list"/*.txt; do
  [ -f "$description" ] || continue
  read -r name program max_len corpus <"$description"
  if [ ${#chosen[@]} -gt 0 ] && [[ " ${chosen[*]} " != *" $name "* ]]; then
    continue
  fi
  work="$scratch/$name"
  rm -rf "$work"
  mkdir -p "$work/corpus" "$findings/$name"
  cp -r "$corpus"/. "$work/corpus/"
  echo "=== $name: ${seconds}s, inputs up to $max_len bytes"
  status=0
  "$program" -max_total_time="$seconds" -max_len="$max_len" -timeout=25 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/$name/" "${flags[@]}" "$work/corpus" \
    >"$work/log" 2>&1 || status=$?
  # The last status line carries the coverage; the final stats the executions.
  grep -aE '^#[0-9]+[[:space:]]+(INITED|DONE)' "$work/log" || true
  cov=$(grep -Eo 'cov: [0-9]+ ft: [0-9]+' "$work/log" | tail -n 1 || true)
  execs=$(grep -Eo 'stat::number_of_executed_units: [0-9]+' "$work/log" | grep -Eo '[0-9]+$' || true)
  rate=$(grep -Eo 'stat::average_exec_per_sec: +[0-9]+' "$work/log" | grep -Eo '[0-9]+$' || true)
  rss=$(grep -Eo 'stat::peak_rss_mb: +[0-9]+' "$work/log" | grep -Eo '[0-9]+$' || true)
  if [ -z "$execs" ]; then
    # -fork=N prints no final stats: its status lines count the executions.
    execs=$(grep -aEo '^#[0-9]+:' "$work/log" | tail -n 1 | tr -d '#:' || true)
    [ -n "$execs" ] && rate=$((execs / seconds))
  fi
  edges=$(grep -aEo '\(([0-9]+) inline 8-bit counters\)' "$work/log" | grep -Eo '[0-9]+' | head -n 1 || true)
  tail -n 12 "$work/log"
  if [ "$status" -ne 0 ]; then
    failed=1
    echo "!!! $name failed (exit $status); the input is in $findings/$name/"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|property violated|.*runtime error)' "$work/log" | head -n 5 || true
    summary+="$name: FINDING after ${execs:-?} executions (${cov:-no coverage line})"$'\n'
  else
    summary+="$name: ${execs:-?} executions (${rate:-?}/s), ${cov:-no coverage line} (of ${edges:-?} instrumented edges), corpus $(find "$work/corpus" -type f | wc -l) inputs, peak RSS ${rss:-?} MB"$'\n'
  fi
done

echo "=== fuzzing summary"
printf '%s' "$summary"
if [ -z "$summary" ]; then
  echo "no fuzz target ran" >&2
  exit 1
fi
exit "$failed"

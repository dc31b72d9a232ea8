#!/usr/bin/env bash
# Configures and builds the tree the Debian package is made from, as a
# release is built: optimised and hardened, without tests or benchmarks.
# Usage: release_build.sh CMAKE SOURCE_DIR TREE [CONFIGURE_ARGS...]
set -euo pipefail
cmake=$1 source=$2 tree=$3
shift 3

mkdir -p "$tree"
"$cmake" -S "$source" -B "$tree" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DVANTREL_BUILD_BENCH=OFF -DVANTREL_HARDENING=ON -DVANTREL_MANPAGES=ON "$@" \
  >"$tree/configure.log" 2>&1 || {
  cat "$tree/configure.log" >&2
  exit 1
}
"$cmake" --build "$tree" --parallel "${CMAKE_BUILD_PARALLEL_LEVEL:-2}"

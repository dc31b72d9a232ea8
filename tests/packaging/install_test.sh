#!/usr/bin/env bash
# Installs the built tree into a scratch prefix with `cmake --install` and
# checks the layout. Usage: install_test.sh CMAKE BUILD_DIR SCRATCH
set -euo pipefail
cmake=$1 build=$2 scratch=$3
. "$(dirname "$0")/layout.sh"

rm -rf "$scratch"
mkdir -p "$scratch"
"$cmake" --install "$build" --prefix "$scratch/usr" >"$scratch/install.log"
check_layout "$scratch/usr"
finish

#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Under CI (CI=true)
# compiler warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
werror=OFF
[ "${CI:-}" = true ] && werror=ON
cmake --preset dev -DVANTREL_WERROR="$werror"
cmake --build --preset dev
ctest --preset dev

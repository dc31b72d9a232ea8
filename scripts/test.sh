#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the Linux build,
# the browser page in Chromium, Firefox ESR and WebKitGTK, then the Windows
# program cross-built with MinGW-w64 and tested under Wine.
# Under CI (CI=true) compiler warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
werror=OFF
[ "${CI:-}" = true ] && werror=ON
cmake --preset dev -DVANTREL_WERROR="$werror"
cmake --build --preset dev
ctest --preset dev

# The browser page, built with emscripten; its tests compare its codes with
# those of the vantrel-cli just built.
cmake --preset web -DVANTREL_WERROR="$werror" -DVANTREL_HOST_CLI="$PWD/build/dev/cli/vantrel-cli"
cmake --build --preset web
ctest --preset web

# The Windows window's real-window test also decodes a code from the Linux
# vantrel-cli just built.
cmake --preset windows -DVANTREL_WERROR="$werror" -DVANTREL_HOST_CLI="$PWD/build/dev/cli/vantrel-cli"
cmake --build --preset windows
ctest --preset windows

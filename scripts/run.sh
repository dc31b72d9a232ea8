#!/usr/bin/env bash
# Installs what is missing for building and running (nothing for the tests),
# builds Vantrel and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run
cmake --preset run >/dev/null
cmake --build --preset run --target vantrel
exec build/run/ui/vantrel

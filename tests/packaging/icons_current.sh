#!/usr/bin/env bash
# Renders the icon afresh from its SVG and compares every file with the
# committed one, so an edited SVG cannot ship with stale PNGs or .ico.
# Usage: icons_current.sh PYTHON SOURCE_DIR SCRATCH
set -euo pipefail
python=$1 source=$2 scratch=$3

rm -rf "$scratch"
mkdir -p "$scratch"
"$python" "$source/packaging/icons/render.py" --out "$scratch"
stale=0
for file in "$scratch"/*; do
  name=$(basename "$file")
  committed=$source/packaging/icons/$name
  [ "$name" = vantrel.ico ] && committed=$source/packaging/windows/$name
  if ! cmp -s "$file" "$committed"; then
    echo "stale: $committed (run packaging/icons/render.py)" >&2
    stale=1
  fi
done
exit "$stale"

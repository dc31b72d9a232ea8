#!/usr/bin/env bash
# Runs lintian on the Debian package that deb_test.sh left in DEB_DIR, with
# informational tags shown. Any tag fails the test: errors, warnings and
# hardening tags of every level must be fixed; an informational tag that has
# to stay would need a lintian override in the package and its reason in
# the README.
# Usage: lintian_test.sh LINTIAN DEB_DIR
set -euo pipefail
lintian=$1 dir=$2

debs=("$dir"/*.deb)
[ -f "${debs[0]}" ] || { echo "no package in $dir" >&2; exit 1; }
output=$("$lintian" --display-info --fail-on none "${debs[@]}" 2>&1 |
  grep -v '^running with root privileges is not recommended!$' || true)
[ -z "$output" ] || echo "$output"
if grep -Eq '^[EWIPX]: ' <<<"$output"; then
  echo "FAIL: lintian reports the tags above" >&2
  exit 1
fi
echo "lintian: no tags on $(basename "${debs[@]}")"

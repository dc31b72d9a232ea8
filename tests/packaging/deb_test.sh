#!/usr/bin/env bash
# Builds the Debian package with CPack, unpacks it into a scratch root and
# checks its control fields and its files. Usage: deb_test.sh CPACK BUILD_DIR SCRATCH
set -euo pipefail
cpack=$1 build=$2 scratch=$3
. "$(dirname "$0")/layout.sh"

rm -rf "$scratch"
mkdir -p "$scratch/out" "$scratch/root"
(cd "$build" && "$cpack" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1) || {
  cat "$scratch/cpack.log" >&2
  exit 1
}
debs=("$scratch"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "expected one .deb, got: ${debs[*]}" >&2; exit 1; }
deb=${debs[0]}
echo "built $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = vantrel ] || fail "Package is '$(field Package)'"
[ "$(field Section)" = utils ] || fail "Section is '$(field Section)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is '$(field Architecture)'"
grep -q "not encryption" <<<"$(field Description)" || fail "Description does not say the scramble is not encryption"

# Dependencies come from the binary: the Qt 6 libraries it links must be
# there, each with a version bound.
depends=$(field Depends)
echo "Depends: $depends"
for lib in libqt6core6 libqt6gui6 libqt6widgets6 libc6; do
  grep -Eq "(^|, )$lib[a-z0-9]* \(>= [^)]+\)" <<<"$depends" || fail "Depends lacks $lib"
done

# Everything lands under /usr, nothing elsewhere on the system.
outside=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -Ev '^\./(usr(/.*)?)?$' || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"

dpkg -x "$deb" "$scratch/root"
check_layout "$scratch/root/usr"
finish

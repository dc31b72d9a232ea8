#!/usr/bin/env bash
# Builds the Debian package with CPack from the release tree, unpacks it into
# a scratch root and checks its control fields, its files and how its
# programs were built. The package stays in SCRATCH/out for lintian.
# Usage: deb_test.sh CPACK RELEASE_TREE SCRATCH SOURCE_DIR
set -euo pipefail
cpack=$1 build=$2 scratch=$3 source=$4
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
version=$(field Version)
[ "$(field Package)" = vantrel ] || fail "Package is '$(field Package)'"
[ "$(field Section)" = utils ] || fail "Section is '$(field Section)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is '$(field Architecture)'"
grep -q "not encryption" <<<"$(field Description)" || fail "Description does not say the scramble is not encryption"
# Without the font, the marks for control characters in a code are blank boxes.
grep -Eq "(^|, )fonts-freefont-ttf($|,| )" <<<"$(field Recommends)" ||
  fail "Recommends is '$(field Recommends)', without fonts-freefont-ttf"

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
usr=$scratch/root/usr
check_layout "$usr"

# The changelog's top entry and the AppStream release are this version.
doc=$usr/share/doc/vantrel
if [ -f "$doc/changelog.gz" ]; then
  gzip -dc "$doc/changelog.gz" >"$scratch/changelog"
  logged=$(dpkg-parsechangelog -l "$scratch/changelog" -S Version) || fail "changelog does not parse"
  [ "$logged" = "$version" ] || fail "changelog's top entry is $logged, the package $version"
fi
grep -q "<release version=\"$version\" date=\"[0-9]\{4\}-[0-9][0-9]-[0-9][0-9]\"" \
  "$usr/share/metainfo/$APP_ID.metainfo.xml" || fail "metainfo does not list release $version with a date"

# The copyright file holds the licence text of LICENSE, unchanged once the
# one-space indent and the " ." of empty lines are undone.
if [ -f "$doc/copyright" ]; then
  sed -n '/^ Permission/,$p' "$doc/copyright" | sed 's/^ //; s/^\.$//' >"$scratch/licence"
  sed -n '/^Permission/,$p' "$source/LICENSE" | cmp -s - "$scratch/licence" ||
    fail "the licence text in the copyright file differs from LICENSE"
fi

# Hardened as Debian builds are: position-independent, full RELRO with
# bind-now, stack protector; fortified calls are lintian's to check.
for binary in $BINARIES; do
  elf=$usr/bin/$binary
  [ -f "$elf" ] || continue
  header=$(readelf -hW "$elf") dynamic=$(readelf -dW "$elf") segments=$(readelf -lW "$elf")
  symbols=$(readelf --dyn-syms -W "$elf")
  grep -q 'Type: *DYN' <<<"$header" || fail "$binary is not position-independent"
  grep -q 'FLAGS_1.*PIE' <<<"$dynamic" || fail "$binary is not marked PIE"
  grep -q GNU_RELRO <<<"$segments" || fail "$binary has no RELRO segment"
  grep -Eq 'BIND_NOW|FLAGS_1.* NOW' <<<"$dynamic" || fail "$binary is not bound at start"
  grep -q ' UND __stack_chk_fail' <<<"$symbols" || fail "$binary has no stack protector"
  checked=$( (grep -oE ' UND __[a-z0-9_]+_chk@' <<<"$symbols" || true) | sed 's/^ UND //; s/@$//' | sort -u | xargs)
  echo "$binary: PIE, full RELRO, bind-now, stack protector; checked calls: ${checked:-none}"
done
finish

#!/usr/bin/env bash
# Checks a program as the Windows loader sees it: 64-bit (PE32+), of the
# given subsystem (a GUI program unless told), importing only DLLs every
# Windows has, so the one file runs on a clean system; and with no link time
# in its header, so that a rebuild gives the same bytes.
#
#   executable_test.sh OBJDUMP EXE ["Windows GUI" | "Windows CUI"]
set -euo pipefail
objdump=$1
exe=$2
subsystem=${3:-Windows GUI}
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

headers=$(TZ=UTC0 "$objdump" -p "$exe")
grep -Eq '^Magic[[:space:]]+020b[[:space:]]+\(PE32\+\)' <<<"$headers" || fail "not PE32+"
grep -Eq "^Subsystem[[:space:]]+0000000[23][[:space:]]+\($subsystem\)" <<<"$headers" ||
  fail "not a $subsystem program: $(grep '^Subsystem' <<<"$headers")"
grep -Eq '^Time/Date[[:space:]]+Thu Jan  1 00:00:00 1970$' <<<"$headers" ||
  fail "the header holds a link time: $(grep '^Time/Date' <<<"$headers")"

system="advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll
oleaut32.dll shcore.dll shell32.dll shlwapi.dll ucrtbase.dll user32.dll uxtheme.dll"
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr '[:upper:]' '[:lower:]' | sort -u)
[ -n "$dlls" ] || fail "no imports found"
for dll in $dlls; do
  case " $(echo $system) " in
    *" $dll "*) ;;
    *) fail "imports $dll, which a clean Windows does not have" ;;
  esac
done
echo "PE32+ $subsystem program importing only: $(echo $dlls)"

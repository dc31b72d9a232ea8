#!/usr/bin/env bash
# Checks Vantrel.exe as the Windows loader sees it: a 64-bit (PE32+) GUI
# program that imports only DLLs every Windows has, so the one file runs on
# a clean system.
#
#   executable_test.sh OBJDUMP EXE
set -euo pipefail
objdump=$1
exe=$2
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

headers=$("$objdump" -p "$exe")
grep -Eq '^Magic[[:space:]]+020b[[:space:]]+\(PE32\+\)' <<<"$headers" || fail "not PE32+"
grep -Eq '^Subsystem[[:space:]]+00000002[[:space:]]+\(Windows GUI\)' <<<"$headers" ||
  fail "not a GUI program: $(grep '^Subsystem' <<<"$headers")"

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
echo "PE32+ GUI program importing only: $(echo $dlls)"

#!/usr/bin/env bash
# The Windows downloads, tried in the run's Wine prefix as a user would:
#
#   downloads_test.sh zip WINE PACKAGE.zip WIN_PROBE.EXE LICENSE
#     One top folder named as the package, holding exactly $FILES; LICENSE.txt
#     is LICENSE with CR LF line ends and README.txt has CR LF line ends.
#     The programs run from there.
#
#   downloads_test.sh installer WINE PACKAGE.exe WIN_PROBE.EXE LICENSE
#     A 64-bit program, as is the uninstaller it writes, both with $ICON's
#     images, run here under Wine's 64-bit loader WINE alone.
#     Installed silently for the current user (/CurrentUser), then with no
#     switch, which under Wine (where programs run elevated) is for all users:
#     $FILES and the uninstaller in that mode's folder, a Start-menu shortcut
#     with the program's icon that starts the installed program, the
#     uninstall entry in that mode's registry hive only, with its values.
#     The silent uninstall the entry names removes the files, the shortcut
#     and the entry, and the folder unless the user put a file of their own
#     in it, and leaves no copy of itself in %TEMP%.
#     Then the folder, per user: a quoted /D= is taken; while that
#     installation stands, running again updates it, another folder stops
#     with status 1638 and /D= without a full path with 1639, each with its
#     reason on standard error and nothing installed; not silent, another
#     folder gets the offer to update it; once its folder is gone, another
#     folder is taken. Uninstalled from its window, clicked
#     through as a user would, it leaves nothing either.
#
# "The programs run": Vantrel.exe shows its window, which the probe finds
# belongs to that copy, and ends with status 0 when closed; vantrel-cli.exe,
# when in $FILES, gives its version and a code that decodes to the text.
#
# Environment: FILES (the files packed), VERSION (the project's), ICON
# (the programs' icon file).
set -euo pipefail
kind=$1
wine=$2
package=$3
probe_exe=$4
license=$5
: "${FILES:?}" "${VERSION:?}" "${ICON:?}" "${WINEPREFIX:?needs the Wine prefix of the test run}"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
work=$(mktemp -d)
cleanup() {
  wineserver --kill 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

probe() { "$wine" "$probe_exe" "$@"; }
# No copy of the uninstaller is left in %TEMP% (once the prefix is idle).
no_copy_left() {
  local left
  left=$(find "$(unix_path "$(win_env TEMP)")" -maxdepth 1 -name '~nsu*' -printf '%P\n' | xargs)
  [ -z "$left" ] || fail "the uninstaller left $left in %TEMP%"
}
lower() { tr '[:upper:]' '[:lower:]' <<<"$1"; }
# A Windows environment variable, and a Windows path as a path here.
win_env() { "$wine" cmd /c echo "%$1%" | tr -d '\r'; }
winepath() { "$wine" winepath "$@"; }
unix_path() { winepath -u "$1" | sed 's:/$::'; }

# Program $1 is a 64-bit Windows program with a window, and every image of
# $ICON is among its resources (NSIS's own icon is not).
own_64_bit_program() {
  local kind
  kind=$(file -b "$1")
  [[ $kind == "PE32+ executable (GUI) x86-64"* ]] || fail "$1 is not a 64-bit program: $kind"
  python3 - "$ICON" "$1" <<'EOF' || fail "$1 does not show the icon $ICON"
import struct, sys
icon, program = (open(name, "rb").read() for name in sys.argv[1:])
count = struct.unpack_from("<H", icon, 4)[0]
for entry in range(count):
    size, offset = struct.unpack_from("<II", icon, 6 + 16 * entry + 8)
    if icon[offset:offset + size] not in program:
        sys.exit(1)
EOF
}

# The files in folder $1 (no subfolders), sorted, against the list $2.
same_files() {
  local have want
  [ -d "$1" ] || fail "no folder $1"
  have=$(cd "$1" && find . -mindepth 1 -printf '%P\n' | sort | tr '\n' ' ')
  want=$(tr ' ' '\n' <<<"$2" | sed '/^$/d' | sort | tr '\n' ' ')
  [ "$have" = "$want" ] || fail "$1 holds: $have; expected: $want"
}

# Starts Vantrel.exe with the given command and checks that the window
# shown is that of the program at Windows path $1, then closes it.
run_window() {
  local program=$1
  shift
  "$@" >"$work/start.log" 2>&1 &
  local starter=$!
  for _ in $(seq 60); do
    probe where 0 >/dev/null 2>&1 && break
    sleep 0.5
  done
  probe where 0 >/dev/null || fail "no window after: $* ($(cat "$work/start.log"))"
  [ "$(lower "$(probe program | tr -d '\r')")" = "$(lower "$program")" ] ||
    fail "the window is $(probe program), not $program"
  probe close >"$work/frames" || fail "closing failed"
  grep -qx 'exit 0' "$work/frames" || fail "$program ended with: $(tail -1 "$work/frames")"
  wait "$starter" || fail "$* ended with status $?"
}

# The programs of folder $1 (a path here) run.
run_programs() {
  local folder=$1
  run_window "$(winepath -w "$folder/Vantrel.exe")" "$wine" "$folder/Vantrel.exe"
  [[ " $FILES " == *" vantrel-cli.exe "* ]] || return 0
  local cli=$folder/vantrel-cli.exe
  "$wine" "$cli" --version >"$work/version" || fail "vantrel-cli.exe --version failed"
  grep -q '^vantrel-cli [0-9]' "$work/version" || fail "version: $(cat "$work/version")"
  (
    cd "$work"
    printf 'Secret\n' >password
    printf 'Meet at nine' >text
    "$wine" "$cli" encode --password-file password -o code text || fail "encode failed"
    "$wine" "$cli" decode --password-file password code >decoded || fail "decode failed"
    cmp -s text decoded || fail "vantrel-cli.exe decoded $(od -c decoded | head -2)"
  )
}

check_zip() {
  unzip -q "$package" -d "$work/zip"
  local top
  top=$(basename "$package" .zip)
  [ "$(ls -A "$work/zip")" = "$top" ] || fail "top level of the zip: $(ls -A "$work/zip")"
  local folder=$work/zip/$top
  same_files "$folder" "$FILES"
  sed 's/$/\r/' "$license" | cmp -s - "$folder/LICENSE.txt" ||
    fail "LICENSE.txt is not LICENSE with CR LF line ends"
  ! grep -qv $'\r$' "$folder/README.txt" || fail "README.txt has lines without CR LF"
  run_programs "$folder"
  echo "zip: $top/ with $FILES; the programs run"
}

uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantrel'
# The uninstall entry in registry hive $1 as 64-bit programs see it (or,
# with $2 = 32, as 32-bit ones do), as "name type value" lines.
entry() {
  "$wine" reg query "$1\\$uninstall_key" "/reg:${2:-64}" 2>/dev/null | tr -d '\r' |
    sed -n 's/^    \([^ ]*\)    \(REG_[A-Z_]*\)    \(.*\)$/\1 \2 \3/p' | sort
}

# One installation: the installer's switch, the hive of its entry, the
# folder it installs in and the Start menu's folder (Windows paths), and
# where no entry must be ("HIVE [32]", as entry takes them).
install_round() {
  local switch=$1 hive=$2 folder=$3 menu=$4
  shift 4
  local others=("$@")
  local here
  here=$(unix_path "$folder")
  local shortcut=$menu\\Vantrel.lnk
  local program=$folder\\Vantrel.exe uninstaller=$folder\\Uninstall.exe

  # shellcheck disable=SC2086 # no switch is no argument
  "$wine" "$package" /S $switch || fail "installing ($switch) ended with status $?"
  same_files "$here" "$FILES Uninstall.exe"
  own_64_bit_program "$here/Uninstall.exe"

  entry "$hive" >"$work/entry" || fail "no uninstall entry under $hive"
  local size
  size=$(sed -n 's/^EstimatedSize REG_DWORD //p' "$work/entry")
  sed -i '/^EstimatedSize /d' "$work/entry"
  sort >"$work/want" <<EOF
DisplayName REG_SZ Vantrel
DisplayVersion REG_SZ $VERSION
Publisher REG_SZ The Vantrel developers
DisplayIcon REG_SZ $program,0
InstallLocation REG_SZ $folder
UninstallString REG_SZ "$uninstaller"
QuietUninstallString REG_SZ "$uninstaller" /S
URLInfoAbout REG_SZ https://vantrel.org
NoModify REG_DWORD 0x1
NoRepair REG_DWORD 0x1
EOF
  diff "$work/want" "$work/entry" >&2 || fail "uninstall entry under $hive (< expected, > found)"
  # The size Settings shows, in KiB: the installed files' total.
  local bytes
  bytes=$(find "$here" -type f -printf '%s\n' | awk '{ n += $1 } END { print n }')
  [ -n "$size" ] || fail "no EstimatedSize"
  ((size >= bytes / 1024 - 4 && size <= bytes / 1024 + 4)) ||
    fail "EstimatedSize $((size)) KiB, the files take $bytes bytes"
  for other in "${others[@]}"; do
    # shellcheck disable=SC2086 # hive and view
    [ -z "$(entry $other)" ] || fail "an uninstall entry under $other too"
  done

  # The shortcut names the program's icon and starts the installed program.
  [ -f "$(unix_path "$shortcut")" ] || fail "no shortcut $shortcut"
  strings -a -el "$(unix_path "$shortcut")" | grep -qiF "$program" ||
    fail "the shortcut names no icon of $program"
  run_window "$program" "$wine" start "$shortcut"
  run_programs "$here"

  # What Settings runs to uninstall quietly. The uninstaller hands over to
  # a copy of itself and returns at once: wait for the prefix to go idle.
  local quiet
  quiet=$(sed -n 's/^QuietUninstallString REG_SZ //p' "$work/entry")
  [[ $quiet =~ ^\"([^\"]+)\"\ (.*)$ ]] || fail "QuietUninstallString: $quiet"
  [ "$switch" = /CurrentUser ] && printf 'mine' >"$here/notes.txt"
  # shellcheck disable=SC2086 # the entry's arguments
  "$wine" "${BASH_REMATCH[1]}" ${BASH_REMATCH[2]} || fail "uninstalling ended with status $?"
  wineserver --wait
  if [ "$switch" = /CurrentUser ]; then
    same_files "$here" notes.txt
    rm -r "$here"
  else
    [ ! -e "$here" ] || fail "$folder is left: $(ls -A "$here")"
  fi
  [ ! -e "$(unix_path "$shortcut")" ] || fail "$shortcut is left"
  [ -z "$(entry "$hive")" ] || fail "the uninstall entry under $hive is left"
  no_copy_left
  echo "installer ${switch:-with no switch}: $folder, $shortcut, $hive entry; removed"
}

# Runs the installer for the current user, silently, with the rest of the
# command line $1 as written in cmd (quotes and all); prints its exit status
# and leaves its standard error in $work/stderr.
install_as_written() {
  printf '@"%s" /S /CurrentUser %s\r\n@echo %%errorlevel%%\r\n' "$(winepath -w "$package")" "$1" \
    >"$work/install.bat"
  { "$wine" cmd /c "$(winepath -w "$work/install.bat")" 2>"$work/stderr" || true; } | tr -d '\r'
}
installed_in() { entry HKCU | sed -n 's/^InstallLocation REG_SZ //p'; }

check_folders() {
  local first='C:\My Apps\Vantrel' other='C:\Other\Vantrel' status
  status=$(install_as_written "/D=\"$first\"")
  [ "$status" = 0 ] || fail "quoted /D= ended with $status: $(cat "$work/stderr")"
  same_files "$(unix_path "$first")" "$FILES Uninstall.exe"
  [ "$(installed_in)" = "$first" ] || fail "quoted /D=: the entry names $(installed_in)"
  status=$(install_as_written "")
  [ "$status" = 0 ] || fail "running again ended with $status"
  [ "$(installed_in)" = "$first" ] || fail "running again moved the entry to $(installed_in)"

  local switch want reason
  while IFS='|' read -r switch want reason; do
    status=$(install_as_written "$switch")
    [ "$status" = "$want" ] || fail "$switch ended with $status, not $want"
    grep -qF "$reason" "$work/stderr" || fail "$switch: the reason is '$(cat "$work/stderr")'"
  done <<CASES
/D=$other|1638|installed in $first already
/D=Vantrel|1639|/D= names no full path of a folder: "Vantrel"
CASES
  # Asked instead, the user may update that installation where it is.
  "$wine" "$package" /CurrentUser "/D=$other" &
  local installer=$!
  probe click 'Vantrel Setup ' '&Install' || fail "no Install button"
  probe click 'Vantrel Setup' '&Yes' || fail "not asked whether to update $first"
  probe click 'Vantrel Setup ' '&Close' || fail "no Close button"
  wait "$installer" || fail "the installer ended with status $?"
  [ ! -e "$(unix_path "$other")" ] || fail "installed into $other beside $first"
  [ "$(installed_in)" = "$first" ] || fail "the entry now names $(installed_in)"

  rm -r "$(unix_path "$first")"
  status=$(install_as_written "/D=$other")
  [ "$status" = 0 ] || fail "with $first gone, /D=$other ended with $status"
  [ "$(installed_in)" = "$other" ] || fail "with $first gone, the entry names $(installed_in)"

  "$wine" "$(unix_path "$other")/Uninstall.exe" || fail "the uninstaller did not start"
  probe click 'Vantrel Uninstall ' '&Uninstall' || fail "no Uninstall button"
  probe click 'Vantrel Uninstall ' '&Close' || fail "no Close button"
  wineserver --wait
  [ ! -e "$(unix_path "$other")" ] || fail "$other is left"
  [ -z "$(entry HKCU)" ] || fail "the uninstall entry is left"
  no_copy_left
  echo "installer: a quoted /D=, an update in place, another folder refused (1638) or" \
    "updated where asked, a bad /D= (1639); removed from its window"
}

check_installer() {
  own_64_bit_program "$package"
  local menu='Microsoft\Windows\Start Menu\Programs'
  # A 64-bit program's entry is not in the 32-bit view of HKLM, where a
  # 32-bit installer writes by default.
  install_round /CurrentUser HKCU "$(win_env LOCALAPPDATA)\\Programs\\Vantrel" \
    "$(win_env APPDATA)\\$menu" HKLM 'HKLM 32'
  install_round '' HKLM "$(win_env ProgramW6432)\\Vantrel" "$(win_env ProgramData)\\$menu" \
    HKCU 'HKLM 32'
  check_folders
}

case $kind in
  zip) check_zip ;;
  installer) check_installer ;;
  *) fail "usage: downloads_test.sh zip|installer WINE PACKAGE WIN_PROBE.EXE LICENSE" ;;
esac

#!/usr/bin/env bash
# Installs the Debian 12 packages that a job needs, when any is missing.
# Needs root, or sudo.
#
#   scripts/deps.sh run    building and running the program (scripts/run.sh)
#   scripts/deps.sh test   everything the tests, fuzzers, packaging and the
#                          Windows cross build need (scripts/test.sh, CI);
#                          the default
set -euo pipefail

run_packages=(
  # compiler and build tools
  g++ cmake ninja-build
  # Qt 6 Widgets (brings moc, rcc and the OpenGL headers it names)
  qt6-base-dev
  # the window's fonts; FreeFont draws the marks for control characters
  fonts-dejavu-core fonts-freefont-ttf
)
test_packages=(
  "${run_packages[@]}"
  pkg-config
  # unit tests and benchmarks; googletest holds the sources the Windows
  # cross build compiles
  libgtest-dev libgmock-dev googletest libbenchmark-dev libssl-dev
  # the tool's shell completion, completed and read in tests
  bash-completion zsh
  # real-window tests and screenshots
  libx11-dev xvfb xauth xdotool xclip x11-utils imagemagick
  # fuzzing and sanitizers
  clang libclang-rt-14-dev
  # desktop files, the Debian package, manual pages, icons
  desktop-file-utils appstream dpkg-dev lintian help2man file librsvg2-bin python3
  # the Windows cross build, its installers and its tests under Wine
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 wine32:i386 nsis zip unzip
)

case ${1:-test} in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${test_packages[@]}") ;;
  *)
    echo "usage: $0 [run|test]" >&2
    exit 64
    ;;
esac

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
# Packages of another architecture (wine32:i386) need it known to dpkg
# before the package lists are fetched.
foreign=$(dpkg --print-foreign-architectures)
for package in "${missing[@]}"; do
  architecture=${package##*:}
  if [ "$architecture" != "$package" ] && ! grep -qx "$architecture" <<<"$foreign"; then
    "${sudo[@]}" dpkg --add-architecture "$architecture"
    foreign+=$'\n'$architecture
  fi
done
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

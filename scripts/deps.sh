#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running Vantrel
# need, when any is missing. Needs root, or sudo.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config
  # the window program
  qt6-base-dev qt6-base-dev-tools libgl-dev libx11-dev fonts-dejavu-core fonts-freefont-ttf
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev libssl-dev bash-completion zsh
  # real-window tests and screenshots
  xvfb xauth xdotool xclip x11-utils imagemagick
  # fuzzing and sanitizers
  clang libclang-rt-14-dev
  # desktop files, packages and Windows resources
  desktop-file-utils appstream dpkg-dev file binutils-mingw-w64-x86-64 librsvg2-bin python3
)

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
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# Installs the Debian 12 packages that a job needs, when any is missing.
# Needs root, or sudo.
#
#   scripts/deps.sh run    building and running the program (scripts/run.sh)
#   scripts/deps.sh test   everything the tests, fuzzers, packaging, the
#                          Windows cross build and the browser page need
#                          (scripts/test.sh, CI), node packages included;
#                          the default
set -euo pipefail

run_packages=(
  # compiler and build tools
  g++ cmake ninja-build
  # Qt 6 Widgets (brings moc, rcc and the OpenGL headers it names), and the
  # X11 connection the window watches for close requests (Qt brings it too)
  qt6-base-dev libx11-dev libxcb1-dev
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
  # the Windows cross build, its installers and its tests under Wine; only
  # the 64-bit Wine, which runs on any 64-bit kernel, as every program and
  # installer built here is 64-bit
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 nsis zip unzip
  # the browser page: emscripten builds it (and brings Node.js, unless one is
  # installed), its tests run in Chromium, Firefox and WebKit (driven over
  # WebDriver on a virtual display)
  emscripten chromium firefox-esr webkit2gtk-driver
)

job=${1:-test}
case $job in
  run) packages=("${run_packages[@]}") ;;
  test)
    packages=("${test_packages[@]}")
    # npm, for the page's tests, comes with a Node.js from elsewhere.
    command -v npm >/dev/null || packages+=(npm)
    ;;
  *)
    echo "usage: $0 [run|test]" >&2
    exit 64
    ;;
esac

# The page's tests drive Chromium with puppeteer-core, installed into
# tests/web/node_modules at the versions its lock file pins, again only when
# the lock file has changed. It never downloads a browser of its own.
node_packages() {
  [ "$job" = test ] || return 0
  local web
  web=$(cd "$(dirname "$0")/../tests/web" && pwd)
  cmp -s "$web/package-lock.json" "$web/node_modules/.installed-lock.json" && return 0
  echo "Installing the page tests' node packages (npm ci in $web)"
  (cd "$web" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
  cp "$web/package-lock.json" "$web/node_modules/.installed-lock.json"
}

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
  node_packages
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
log=$(mktemp)
trap 'rm -f "$log"' EXIT

# A mirror in sync can fail one index for a while: apt tries each download
# again, and an index that still fails is left to the installation, which
# fails only if a package it needs lives there.
if ! "${sudo[@]}" apt-get -o Acquire::Retries=5 update -qq 2>"$log"; then
  echo "Note: some package lists could not be fetched; going on with those that were:" >&2
  grep -E '^(E|W):' "$log" >&2 || cat "$log" >&2
fi

# apt's output is shown as it goes, and kept to name what went wrong.
if ! "${sudo[@]}" apt-get -o Acquire::Retries=5 install -y -qq --no-install-recommends \
  "${missing[@]}" 2>&1 | tee "$log"; then
  # Name the packages that cannot be installed, each tried alone (a
  # simulation: nothing is downloaded or changed).
  stuck=()
  for package in "${missing[@]}"; do
    apt-get install -s -qq --no-install-recommends "$package" >/dev/null 2>&1 || stuck+=("$package")
  done
  errors=$(grep -E '^(E:| )|: Depends:|Unable to locate' "$log" || true)
  {
    echo
    if [ ${#stuck[@]} -gt 0 ]; then
      echo "Could not install the Debian packages that '$job' needs: apt cannot install" \
        "${stuck[*]}."
    else
      echo "Could not install the Debian packages that '$job' needs (each of them could be" \
        "installed alone: a download failed, or they cannot be installed together)."
    fi
    echo "apt-get said:"
    if [ -n "$errors" ]; then head -n 20 <<<"$errors"; else tail -n 20 "$log"; fi
    echo "Check that /etc/apt/sources.list names Debian 12 (bookworm) with its" \
      "updates and security archives, run 'apt-get update' until it fetches every" \
      "list, then run this again; a mirror in sync is usually whole again within an hour."
  } >&2
  exit 1
fi
node_packages

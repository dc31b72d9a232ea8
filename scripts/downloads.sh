#!/usr/bin/env bash
# Builds every download of a release from the last commit, in fresh build
# trees, and writes SHA256SUMS beside them:
#
#   Vantrel-<version>-win64.zip    the Windows programs, to unpack anywhere
#   Vantrel-<version>-win64.exe    the Windows installer
#   vantrel_<version>_<arch>.deb   the Debian package
#
# Built on Debian 12 with the packages scripts/deps.sh installs, a commit
# gives the same bytes in any folder, at any time, for any user: to check a
# download, build its commit and compare the SHA256SUMS.
#
#   scripts/downloads.sh [--only zip] [DIR]
#
# DIR gets the downloads, SHA256SUMS, the sources of the commit (source/)
# and the build trees (windows/, linux/); it must be new or empty, but for
# the default, build/downloads, which is emptied first. --only zip builds the
# Windows programs and the zip alone. Uncommitted changes are not built: the
# downloads are of the commit.
set -euo pipefail

only=
if [ "${1:-}" = --only ]; then
  [ "${2:-}" = zip ] || {
    echo "usage: $0 [--only zip] [DIR]" >&2
    exit 64
  }
  only=zip
  shift 2
fi
out=${1:-}
if [ -n "$out" ]; then
  out=$(realpath -m "$out")
  if [ -n "$(ls -A "$out" 2>/dev/null)" ]; then
    echo "downloads.sh: $out is not empty: name a new folder" >&2
    exit 1
  fi
fi
cd "$(dirname "$0")/.."
if [ -z "$out" ]; then
  out=$PWD/build/downloads
  rm -rf "$out"
fi

scripts/deps.sh test
commit=$(git rev-parse HEAD)
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "downloads.sh: uncommitted changes are left out: building the commit $commit" >&2
fi

# Every date in the downloads is the commit's; nothing of the caller's
# compiler settings reaches the build, nor their umask the modes that the
# Debian package's archive members get.
umask 022
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
unset CXX CXXFLAGS CPPFLAGS LDFLAGS

mkdir -p "$out/source"
git archive --format=tar "$commit" | tar -x -C "$out/source"
release=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DVANTREL_BUILD_BENCH=OFF)

cmake -S "$out/source" -B "$out/windows" "${release[@]}" -DVANTREL_BUILD_UI=OFF \
  --toolchain "$out/source/cmake/mingw-w64-x86_64.cmake"
cmake --build "$out/windows"
generators="ZIP;NSIS"
[ "$only" = zip ] && generators=ZIP
(cd "$out/windows" && cpack -G "$generators" -B "$out/windows/packages")
cp "$out"/windows/packages/Vantrel-*-win64.* "$out/"

if [ -z "$only" ]; then
  cmake -S "$out/source" -B "$out/linux" "${release[@]}"
  cmake --build "$out/linux"
  (cd "$out/linux" && cpack -G DEB -B "$out/linux/packages")
  cp "$out"/linux/packages/*.deb "$out/"
fi

cd "$out"
sums=$(find . -maxdepth 1 -type f -printf '%P\n' | LC_ALL=C sort | xargs sha256sum)
printf '%s\n' "$sums" >SHA256SUMS
echo
echo "The downloads of $commit ($(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S UTC')), in $out:"
cat SHA256SUMS

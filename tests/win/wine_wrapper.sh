#!/bin/sh
# Stands first on the Windows tests' PATH under the names of Wine's wrapper
# and of the commands that go through it (wine, wineboot, winepath...).
# Where a 32-bit Wine is installed, the wrapper starts the 32-bit loader for
# every program, which a kernel without 32-bit support cannot run: the tests
# start the 64-bit loader themselves. A call to one of these names fails
# here and is logged, so that wine_prefix.sh stop fails the run even if the
# test let the status pass.
name=$(basename "$0")
echo "FAIL: '$name $*' goes through Wine's wrapper, which starts the 32-bit Wine where" \
  "one is installed: run it with Wine's 64-bit loader" >&2
[ -z "${VANTREL_WINE_WRAPPER_LOG:-}" ] || echo "$name $*" >>"$VANTREL_WINE_WRAPPER_LOG"
exit 70

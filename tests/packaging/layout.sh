# Checks shared by the install and Debian package tests: the files a desktop
# looks for are where it looks, and agree with one another. Sourced; expects
# APP_ID, ICON_SIZES, BINARIES, DESKTOP_FILE_VALIDATE and APPSTREAMCLI.

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# check_layout PREFIX: PREFIX is the installed /usr (or /usr/local).
check_layout() {
  local prefix=$1 desktop metainfo size binary icon_name exec_name page text options option file
  for binary in $BINARIES; do
    [ -x "$prefix/bin/$binary" ] || fail "bin/$binary missing or not executable"
  done
  case " $BINARIES " in
    *" vantrel-cli "*)
      [ -f "$prefix/share/bash-completion/completions/vantrel-cli" ] || fail "bash completion missing"
      [ -f "$prefix/share/zsh/vendor-completions/_vantrel-cli" ] || fail "zsh completion missing"
      ;;
  esac

  desktop=$prefix/share/applications/$APP_ID.desktop
  metainfo=$prefix/share/metainfo/$APP_ID.metainfo.xml
  [ -f "$desktop" ] || fail "launcher $desktop missing"
  [ -f "$metainfo" ] || fail "metainfo $metainfo missing"
  [ -f "$desktop" ] && { "$DESKTOP_FILE_VALIDATE" "$desktop" || fail "launcher does not validate"; }
  [ -f "$metainfo" ] && { "$APPSTREAMCLI" validate --no-net "$metainfo" >/dev/null ||
    fail "metainfo does not validate"; }

  for size in $ICON_SIZES; do
    local png=$prefix/share/icons/hicolor/${size}x${size}/apps/$APP_ID.png
    if [ ! -f "$png" ]; then
      fail "icon ${size}x${size} missing"
    elif ! file -b "$png" | grep -q "PNG image data, $size x $size,"; then
      fail "icon ${size}x${size} is $(file -b "$png")"
    fi
  done
  [ -f "$prefix/share/icons/hicolor/scalable/apps/$APP_ID.svg" ] || fail "scalable icon missing"

  # A compressed manual page for each program; every option vantrel-cli's
  # --help names is in its page too (a stale page would miss a new one).
  for binary in $BINARIES; do
    page=$prefix/share/man/man1/$binary.1.gz
    if [ ! -f "$page" ]; then
      fail "manual page $binary(1) missing"
    elif ! gzip -t "$page"; then
      fail "manual page $binary(1) is not gzip-compressed"
    elif [ "$binary" = vantrel-cli ] && [ -x "$prefix/bin/$binary" ]; then
      text=$(gzip -dc "$page" | sed 's/\\-/-/g')
      options=$("$prefix/bin/$binary" --help | grep -oE -- '--[a-z][a-z0-9-]*' | sort -u)
      [ -n "$options" ] || fail "vantrel-cli --help names no options"
      for option in $options; do
        grep -qF -- "$option" <<<"$text" || fail "vantrel-cli(1) lacks $option, which --help names"
      done
    fi
  done
  for file in copyright changelog.gz; do
    [ -f "$prefix/share/doc/vantrel/$file" ] || fail "share/doc/vantrel/$file missing"
  done

  # The launcher must name the installed icon and program, and the metadata
  # the launcher, or the desktop shows a blank icon or nothing at all.
  if [ -f "$desktop" ]; then
    icon_name=$(sed -n 's/^Icon=//p' "$desktop")
    [ "$icon_name" = "$APP_ID" ] || fail "launcher names icon '$icon_name'"
    exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
    [ -x "$prefix/bin/$exec_name" ] || fail "launcher runs '$exec_name', which is not installed"
  fi
  if [ -f "$metainfo" ]; then
    grep -q "<launchable type=\"desktop-id\">$APP_ID.desktop</launchable>" "$metainfo" ||
      fail "metainfo does not launch $APP_ID.desktop"
    for binary in $BINARIES; do
      grep -q "<binary>$binary</binary>" "$metainfo" || fail "metainfo does not provide $binary"
    done
  fi
}

finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
  fi
  echo "all checks passed"
}

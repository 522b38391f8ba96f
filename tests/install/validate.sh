#!/bin/sh
# The installed desktop entry, metainfo, icons and man page pass the tools the
# desktop and Debian check them with, each with nothing to report, and the
# launcher says its version and usage.
#   validate.sh <prefix> <app id> <version> <icon size>...
set -u
PREFIX=$1 APP=$2 VERSION=$3
shift 3
status=0
fail() { echo "$*"; status=1; }
# Runs a tool that must succeed; prints what it said, and fails when it said
# more than `allowed` (a line pattern) or the tool is missing.
check() {
  allowed=$1
  shift
  if ! command -v "$1" >/dev/null; then
    fail "$1 is missing (./run.sh test installs it)"
    return
  fi
  out=$("$@" 2>&1) || fail "$1 failed"
  extra=$(printf '%s\n' "$out" | grep -v -e '^$' -e "$allowed")
  [ -z "$extra" ] || fail "$1 reports: $extra"
}

desktop=$PREFIX/share/applications/$APP.desktop
metainfo=$PREFIX/share/metainfo/$APP.metainfo.xml
man=$PREFIX/share/man/man6/zindle.6
check '^$' desktop-file-validate "$desktop"
check 'Validation was successful\.$' appstreamcli validate --no-net --pedantic "$metainfo"
check '^$' groff -man -ww -z "$man"
for size in "$@"; do
  icon=$PREFIX/share/icons/hicolor/${size}x${size}/apps/$APP.png
  seen=$(identify -format '%wx%h' "$icon" 2>&1)
  [ "$seen" = "${size}x${size}" ] || fail "$icon: $seen"
done

# The launcher the menu starts is the installed one; the version is CMake's.
grep -qx "Exec=$PREFIX/games/zindle" "$desktop" || fail "$desktop: $(grep '^Exec=' "$desktop")"
grep -q "<release version=\"$VERSION\"" "$metainfo" || fail "$metainfo names no release $VERSION"
grep -q "^\.TH ZINDLE 6 .*\"Zindle $VERSION\"" "$man" || fail "$man is not for version $VERSION"
# The launcher answers --version and --help itself, with no display to open.
answer() { env -u DISPLAY "$PREFIX/games/zindle" "$1" 2>&1 || echo "(status $?)"; }
[ "$(answer --version)" = "Zindle $VERSION" ] || fail "zindle --version: $(answer --version)"
answer --help | head -n 1 | grep -q '^Usage: zindle ' || fail "zindle --help: $(answer --help)"
[ $status -eq 0 ] && echo "desktop entry, metainfo, $# icons, the man page and the launcher's answers pass"
exit $status

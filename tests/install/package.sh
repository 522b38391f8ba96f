#!/bin/sh
# The Debian package built from this tree: the same bytes twice over, owned by
# root, with the fields a package manager needs and every installed path.
#   package.sh <make-deb.sh> <build folder> <app id> <icon size>...
set -eu
MAKE_DEB=$1 BUILD=$2 APP=$3
shift 3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

deb=$(sh "$MAKE_DEB" "$BUILD" "$scratch/a")
again=$(sh "$MAKE_DEB" "$BUILD" "$scratch/b")
status=0
fail() { echo "$*"; status=1; }
cmp "$deb" "$again" || fail "two builds differ"
case $(basename "$deb") in
  zindle_*_"$(dpkg --print-architecture)".deb) ;;
  *) fail "named $(basename "$deb")" ;;
esac
[ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "Section: $(dpkg-deb -f "$deb" Section)"
case $(dpkg-deb -f "$deb" Depends) in
  *liballegro4.4*) ;;
  *) fail "Depends names no Allegro: $(dpkg-deb -f "$deb" Depends)" ;;
esac

dpkg-deb -c "$deb" >"$scratch/list"
others=$(awk '$2 != "root/root"' "$scratch/list")
[ -z "$others" ] || fail "not root's: $others"
awk '{ sub(/^\./, "", $6); print $6 }' "$scratch/list" >"$scratch/paths"
for path in /usr/games/zindle /usr/lib/games/zindle/zindle \
    /usr/share/games/zindle/tiles.dat /usr/share/games/zindle/stuff.dat /usr/share/games/zindle/patches.dat \
    "/usr/share/applications/$APP.desktop" "/usr/share/metainfo/$APP.metainfo.xml" \
    /usr/share/man/man6/zindle.6.gz /usr/share/doc/zindle/copyright /usr/share/doc/zindle/changelog.gz \
    $(for size in "$@"; do echo "/usr/share/icons/hicolor/${size}x${size}/apps/$APP.png"; done); do
  grep -qx "$path" "$scratch/paths" || fail "missing $path"
done
[ $status -eq 0 ] && echo "$(basename "$deb"): $(wc -l <"$scratch/paths") entries, reproducible"
exit $status

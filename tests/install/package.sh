#!/bin/sh
# The source package and the Debian package, built by Debian's tools from this
# tree: lintian finds no error or warning; the source package unpacked
# elsewhere builds the same bytes; the package is owned by root, has the
# fields a package manager needs and every installed path, and its control
# fields, metainfo and man page carry the version debian/changelog gives.
#   package.sh <source folder> <built> <app id> <icon size>...
# <built> is a folder where packaging/build-package.sh has built them, or -
# to build them here.
set -eu
SRC=$1 BUILT=$2 APP=$3
shift 3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
fail() { echo "$*"; status=1; }

log=$scratch/log
build() { "$@" >>"$log" 2>&1 || { tail -40 "$log"; exit 1; }; }
if [ "$BUILT" = - ]; then
  BUILT=$scratch/tree
  build sh "$SRC/packaging/build-package.sh" "$BUILT" -j2
fi
changelog=$(dpkg-parsechangelog -l "$SRC/debian/changelog" -S Version)
name=zindle_${changelog}
deb=$BUILT/${name}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { ls "$BUILT"; exit 1; }
lintian --fail-on error,warning "$BUILT/${name}_$(dpkg --print-architecture).changes" \
  || fail "lintian finds errors or warnings"
# Elsewhere, as a builder who has only the source package.
mkdir "$scratch/again"
build dpkg-source -x "$BUILT/$name.dsc" "$scratch/again/zindle"
build sh -c 'cd "$1" && dpkg-buildpackage -us -uc -b -j2' sh "$scratch/again/zindle"
cmp "$deb" "$scratch/again/$(basename "$deb")" || fail "the rebuild from the .dsc differs"

[ "$(dpkg-deb -f "$deb" Version)" = "$changelog" ] || fail "Version: $(dpkg-deb -f "$deb" Version)"
[ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "Section: $(dpkg-deb -f "$deb" Section)"
case $(dpkg-deb -f "$deb" Depends) in
  *liballegro4.4*) ;;
  *) fail "Depends names no Allegro: $(dpkg-deb -f "$deb" Depends)" ;;
esac
case $(dpkg-deb -f "$deb" Built-Using) in
  "timgm6mb-soundfont (= "*")") ;;
  *) fail "Built-Using names no soundfont: $(dpkg-deb -f "$deb" Built-Using)" ;;
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
# The installed metainfo and man page name the changelog's version too.
dpkg-deb -x "$deb" "$scratch/root"
grep -q "<release version=\"$changelog\"" "$scratch/root/usr/share/metainfo/$APP.metainfo.xml" \
  || fail "the metainfo names no release $changelog"
zcat "$scratch/root/usr/share/man/man6/zindle.6.gz" | grep -q "^\.TH ZINDLE 6 .*\"Zindle $changelog\"" \
  || fail "the man page is not for version $changelog"
[ $status -eq 0 ] && echo "$(basename "$deb"): $(wc -l <"$scratch/paths") entries, lintian-clean, the same from its .dsc"
exit $status

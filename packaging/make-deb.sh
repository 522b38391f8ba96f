#!/bin/sh
# Builds Zindle's Debian package from a configured and built tree:
#   make-deb.sh <build folder> <output folder>
# and writes <output folder>/zindle_<version>_<arch>.deb. The same build gives
# the same bytes every time: every time stamp is SOURCE_DATE_EPOCH (the last
# commit's time unless it is set), files belong to root, and the man page and
# changelog are compressed without names or times.
set -eu
build=$(cd "$1" && pwd)
out=$2
src=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$src" log -1 --format=%ct) || {
    echo "make-deb.sh: set SOURCE_DATE_EPOCH outside a git checkout" >&2
    exit 1
  }
fi
export SOURCE_DATE_EPOCH

control=$build/packaging/control
version=$(sed -n 's/^Version: //p' "$control")
arch=$(dpkg --print-architecture)
deb=$out/zindle_${version}_${arch}.deb

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
root=$stage/debian/zindle
program=$root/usr/lib/games/zindle/zindle
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
# As Debian strips its programs: no symbols, no compiler notes.
strip --remove-section=.comment --remove-section=.note "$program"
gzip -9n "$root/usr/share/man/man6/zindle.6" "$root/usr/share/doc/zindle/changelog"
chmod -R u+rwX,go+rX,go-w "$root"

# The libraries the program needs, with the versions their packages promise;
# dpkg-shlibdeps reads the package's name from a debian/control of its own,
# and finds the package's root by its DEBIAN folder.
mkdir "$root/DEBIAN"
printf 'Source: zindle\n\nPackage: zindle\nArchitecture: any\n' >"$stage/debian/control"
depends=$(cd "$stage" && dpkg-shlibdeps -O "$program" | sed -n 's/^shlibs:Depends=//p')
# Kibibytes as dpkg counts them: each file rounded up, one for each folder.
size=$(find "$root/usr" -type f -printf '%s\n' -o -printf '1024\n' | awk '{ s += int(($1 + 1023) / 1024) } END { print s }')

{
  sed '/^Description:/,$d' "$control"
  echo "Architecture: $arch"
  echo "Installed-Size: $size"
  echo "Depends: $depends"
  sed -n '/^Description:/,$p' "$control"
} >"$root/DEBIAN/control"
(cd "$root" && find usr -type f | LC_ALL=C sort | xargs md5sum) >"$root/DEBIAN/md5sums"
chmod 0755 "$root/DEBIAN"
chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"
find "$root" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

mkdir -p "$out"
# One compressor thread: the output does not depend on the machine's cores.
dpkg-deb --root-owner-group --threads-max=1 -Zxz --build "$root" "$deb" >/dev/null
echo "$deb"

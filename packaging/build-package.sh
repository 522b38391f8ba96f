#!/bin/sh
# Builds Zindle's source package and its Debian package with Debian's own
# tools from this tree's tracked files, edits included:
#   build-package.sh <folder> [dpkg-buildpackage option]...
# dpkg-buildpackage writes beside the tree it builds, so the tree is copied
# to <folder>/zindle-<version> first; the .dsc, its tarball, the .deb and the
# .changes are left in <folder>. The copy also keeps build folders and other
# untracked files out of the source package.
set -eu
out=$1
shift
src=$(cd "$(dirname "$0")/.." && pwd)
if ! git -C "$src" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  echo "build-package.sh: $src is no git clone; in an unpacked source package run dpkg-buildpackage -us -uc" >&2
  exit 1
fi
version=$(dpkg-parsechangelog -l "$src/debian/changelog" -S Version)
tree=$out/zindle-$version
rm -rf "$tree"
mkdir -p "$tree"
(cd "$src" && git ls-files -z | tar -c --null --no-recursion --ignore-failed-read -T -) | tar -x -C "$tree"
cd "$tree"
dpkg-buildpackage -us -uc "$@"

#!/bin/sh
# Ships one version of Zindle: every artifact of the version that
# debian/changelog names, built from this tree, listed with its SHA-256 in
# SHA256SUMS; and, given a key, that list signed and an APT repository that
# carries the package, for any static web host to serve:
#   release.sh <dist> <work> [<build>]
# <work> holds the builds. <build>, a CMake build folder of this tree that
# builds the Windows and browser downloads already, is used as it is, in
# place of <work>/build. ZINDLE_RELEASE_KEY names the OpenPGP key to sign
# with, in gpg's keyring (GNUPGHOME honoured). Nothing lands in <dist> until
# the whole release is made; the release there before goes, whole.
set -eu
dist=$1 work=$2 build=${3:-}
src=$(cd "$(dirname "$0")/.." && pwd)
key=${ZINDLE_RELEASE_KEY:-}
fail() {
  echo "release.sh: $*" >&2
  exit 1
}

if [ -n "$key" ] && ! gpg --batch --list-secret-keys -- "$key" >/dev/null 2>&1; then
  fail "ZINDLE_RELEASE_KEY names '$key', which is no secret key in $(gpgconf --list-dirs homedir)"
fi
version=$(dpkg-parsechangelog -l "$src/debian/changelog" -S Version)
arch=$(dpkg --print-architecture)
mkdir -p "$work"
work=$(cd "$work" && pwd)

# The source package and the Debian package, by Debian's own tools.
sh "$src/packaging/build-package.sh" "$work/package" -j"$(nproc)"
deb=$work/package/zindle_${version}_$arch.deb
dsc=$work/package/zindle_$version.dsc

# The downloads for Windows and for web browsers.
if [ -z "$build" ]; then
  build=$work/build
  cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release -DZINDLE_TESTS=OFF -DZINDLE_WINDOWS=ON -DZINDLE_WEB=ON
fi
cmake --build "$build" --target zindle_windows zindle_web -j"$(nproc)"
downloads="$build/windows/zindle-$version-win64.zip $build/windows/zindle-$version-win64-setup.exe
           $build/web/zindle-$version-web.zip"

stage=$work/release
rm -rf "$stage"
mkdir "$stage"
# The .dsc names the tarball beside it.
tarball=$(sed -n '/^Files:/,/^[^ ]/s/^ [0-9a-f]* [0-9]* //p' "$dsc")
for file in "$dsc" "$work/package/$tarball" "$deb" $downloads; do
  cp "$file" "$stage/"
done
(cd "$stage" && sha256sum -- $(LC_ALL=C ls) >SHA256SUMS)

if [ -n "$key" ]; then
  gpg --batch --yes --local-user "$key" --armor --detach-sign --output "$stage/SHA256SUMS.asc" "$stage/SHA256SUMS"
  # reprepro keeps its database and settings in <work>; the host gets only
  # what apt reads, and the key that checks it.
  repository=$work/reprepro
  rm -rf "$repository"
  mkdir -p "$repository/conf"
  cat >"$repository/conf/distributions" <<DISTRIBUTION
Origin: Zindle
Label: Zindle
Suite: stable
Codename: stable
Architectures: $arch source
Components: main
Description: Zindle, a falling-tile puzzle game
SignWith: $key
DISTRIBUTION
  include() { reprepro --silent -b "$repository" --outdir "$stage/apt" "$@"; }
  include includedeb stable "$stage/$(basename "$deb")"
  include -S "$(dpkg-deb -f "$deb" Section)" -P "$(dpkg-deb -f "$deb" Priority)" \
    includedsc stable "$stage/$(basename "$dsc")"
  gpg --batch --export -- "$key" >"$stage/apt/zindle-archive-keyring.gpg"
fi

mkdir -p "$dist"
(cd "$dist" && rm -rf zindle_*.dsc zindle_*.tar.* zindle_*.deb zindle-*-win64.zip zindle-*-win64-setup.exe \
  zindle-*-web.zip SHA256SUMS SHA256SUMS.asc apt)
mv "$stage"/* "$dist"/
echo "Released Zindle $version in $dist:"
sed 's/^[0-9a-f]*  /  /' "$dist/SHA256SUMS"
if [ -n "$key" ]; then
  echo "  SHA256SUMS.asc, and the APT repository apt/, signed by $key"
else
  echo "The release is not signed and has no APT repository: ZINDLE_RELEASE_KEY names no key."
fi

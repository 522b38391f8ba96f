#!/bin/sh
# Two releases of Zindle, made as its maintainers make them, for the tests of
# what an installed copy does with the next one: the tree's own version, and
# the next, from a copy of the tree with a new entry on debian/changelog,
# both signed by a key of the tests' own. Each is checked as a user checks
# a download: the signatures hold, and SHA256SUMS lists every artifact of
# its version with its digest. A key that is not in the keyring stops a
# release before it writes anything.
#   releases.sh <source> <build> <releases> <next version>
# <build> is the suite's build folder: its Windows and browser downloads are
# the current release's, and its libraries serve the next.
set -eu
src=$1 build=$2 out=$3 next_version=$4
rm -rf "$out"
mkdir -p "$out"
log=$out/log
status=0
fail() { echo "$*"; status=1; }
run() { "$@" >>"$log" 2>&1 || { tail -40 "$log"; exit 1; }; }

# A keyring of the test's own, in a short path, as gpg-agent's sockets need.
GNUPGHOME=$(mktemp -d)
export GNUPGHOME
trap 'gpgconf --kill gpg-agent; rm -rf "$GNUPGHOME"' EXIT
run gpg --batch --passphrase '' --quick-gen-key 'Zindle tests <tests@zindle.invalid>' ed25519 sign never
key=$(gpg --batch --with-colons --list-keys | awk -F: '/^fpr/ { print $10; exit }')

if ZINDLE_RELEASE_KEY=nobody@zindle.invalid sh "$src/release/release.sh" "$out/refused" "$out/refused-work" \
    >"$out/refused.log" 2>&1; then
  fail "a release with a key that is not there succeeded"
fi
grep -q "names 'nobody@zindle.invalid', which is no secret key" "$out/refused.log" || fail "$(cat "$out/refused.log")"
[ ! -e "$out/refused" ] || fail "a refused release wrote $(ls -A "$out/refused")"

export ZINDLE_RELEASE_KEY="$key"
run sh "$src/release/release.sh" "$out/current" "$out/current-work" "$build"

# The next version: the same tracked files, edits included, in a git tree
# of their own, as packaging/build-package.sh reads one.
next=$out/next-source
mkdir "$next"
(cd "$src" && git ls-files -z | tar -c --null --no-recursion --ignore-failed-read -T -) | tar -x -C "$next"
released=$(date -u -d "$(dpkg-parsechangelog -l "$src/debian/changelog" -S Date)" +%s)
{
  printf 'zindle (%s) unstable; urgency=medium\n\n  * The next version, for the tests of upgrades.\n\n' "$next_version"
  printf ' -- The Zindle developers <dev@zindle.invalid>  %s\n\n' "$(date -u -R -d "@$((released + 86400))")"
  cat "$src/debian/changelog"
} >"$out/changelog"
mv "$out/changelog" "$next/debian/changelog"
run git -C "$next" init -q
run git -C "$next" add -A
run git -C "$next" -c user.name=tests -c user.email=tests@zindle.invalid commit -q -m "$next_version"
run cmake -S "$next" -B "$out/next-work/build" -DCMAKE_BUILD_TYPE=Release -DZINDLE_TESTS=OFF \
  -DZINDLE_WINDOWS=ON -DZINDLE_WEB=ON \
  -DZINDLE_WINDOWS_ALLEGRO="$build/windows/allegro" -DZINDLE_WEB_ALLEGRO="$build/web/allegro"
DEB_BUILD_OPTIONS=nocheck run sh "$next/release/release.sh" "$out/next" "$out/next-work" "$out/next-work/build"

current_version=$(dpkg-parsechangelog -l "$src/debian/changelog" -S Version)
for release in "current $current_version" "next $next_version"; do
  set -- $release
  dist=$out/$1 version=$2
  gpg --batch --verify "$dist/SHA256SUMS.asc" "$dist/SHA256SUMS" 2>>"$log" || fail "$1: SHA256SUMS.asc does not verify"
  gpgv --keyring "$dist/apt/zindle-archive-keyring.gpg" "$dist/apt/dists/stable/InRelease" 2>>"$log" \
    || fail "$1: InRelease does not verify with the repository's keyring"
  (cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "$1: SHA256SUMS does not hold"
  listed=$(sed 's/^[0-9a-f]\{64\}  //' "$dist/SHA256SUMS" | tr '\n' ' ')
  wanted="zindle-$version-web.zip zindle-$version-win64-setup.exe zindle-$version-win64.zip zindle_$version.dsc \
zindle_$version.tar.xz zindle_${version}_$(dpkg --print-architecture).deb "
  [ "$listed" = "$wanted" ] || fail "$1: SHA256SUMS lists $listed"
done
[ $status -eq 0 ] && echo "released $(ls "$out/current" | tr '\n' ' ')and the same of $next_version, signed"
exit $status

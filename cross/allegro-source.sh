#!/bin/sh
# Fetches an upstream source tarball from the machine's own package sources,
# through apt, so its proxies and caches are used as for any other download:
#   allegro-source.sh <folder>/<package>_<version>.orig.tar.gz <sha256>
# The tarball appears only once its digest checks; one already there with
# that digest is kept and nothing is fetched. apt works in <folder>/apt, with
# a configuration of its own whose sources are the machine's entries turned
# into deb-src ones: the system needs no deb-src lines, and root or not, the
# script writes nothing outside <folder>.
set -eu
tarball=$1 sha256=$2
name=$(basename "$tarball")
package=${name%%_*}

digest() { sha256sum <"$1" | cut -d' ' -f1; }
if [ -f "$tarball" ] && [ "$(digest "$tarball")" = "$sha256" ]; then
  exit 0
fi

mkdir -p "$(dirname "$tarball")"
apt=$(cd "$(dirname "$tarball")" && pwd)/apt
log=$apt/log
fail() {
  echo "$0: $*" >&2
  if [ -f "$log" ]; then
    echo "The end of apt's log, $log:" >&2
    tail -n 25 "$log" >&2
  fi
  exit 1
}

rm -rf "$apt"
mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/source"

# The machine's sources, wherever its configuration keeps them. Every entry
# keeps its options (keys, URIs, suites, components, Enabled) and only asks
# for sources instead of packages.
SOURCE_LIST='' SOURCE_PARTS=''
eval "$(apt-config shell SOURCE_LIST Dir::Etc::SourceList/f SOURCE_PARTS Dir::Etc::SourceParts/d)"
one_line_to_source() {
  sed -E 's/^([[:space:]]*)deb([[:space:]])/\1deb-src\2/' "$1"
}
stanzas_to_source() {
  awk 'tolower($0) ~ /^types:/ { print "Types: deb-src"; folded = 1; next }
       folded && /^[ \t]/ { next }
       { folded = 0; print }' "$1"
}
: >"$apt/sources.list"
if [ -f "$SOURCE_LIST" ]; then
  one_line_to_source "$SOURCE_LIST" >"$apt/sources.list"
fi
for part in "$SOURCE_PARTS"*.list "$SOURCE_PARTS"*.sources; do
  if [ -z "$SOURCE_PARTS" ] || [ ! -f "$part" ]; then continue; fi
  case $part in
    *.list) one_line_to_source "$part" ;;
    *) stanzas_to_source "$part" ;;
  esac >"$apt/sources.list.d/$(basename "$part")"
done
# A private update is no news to the system: none of its update hooks run.
cat >"$apt/apt.conf" <<'CONF'
#clear APT::Update::Pre-Invoke;
#clear APT::Update::Post-Invoke;
#clear APT::Update::Post-Invoke-Success;
CONF

set -- -c "$apt/apt.conf" \
  -o Dir::Etc::SourceList="$apt/sources.list" \
  -o Dir::Etc::SourceParts="$apt/sources.list.d" \
  -o Dir::State::Lists="$apt/lists" \
  -o Dir::Cache="$apt/cache" \
  -o Dir::Cache::pkgcache= \
  -o Dir::Cache::srcpkgcache=
# Sources that publish no source index (most third-party ones) make apt
# report errors, and a file apt does not need may be missing from a mirror:
# its exit status tells nothing, the tarball and its digest do.
echo "Fetching $name through apt, log in $log"
LC_ALL=C apt-get "$@" update >"$log" 2>&1 || true
# A version whose files include this very tarball: any of them will do.
version=$(LC_ALL=C apt-cache "$@" showsrc "$package" 2>>"$log" | awk -v name="$name" '
  function take() { if (found && version != "" && !done) { print version; done = 1 }
                    found = 0; version = "" }
  /^$/ { take() }
  /^Version:/ { version = $2 }
  $NF == name { found = 1 }
  END { take() }')
[ -n "$version" ] || fail "apt found no $name (source package $package, expected with SHA-256 $sha256) in this machine's package sources"
(cd "$apt/source" && LC_ALL=C apt-get "$@" source --download-only "$package=$version") >>"$log" 2>&1 || true

fetched=$apt/source/$name
[ -f "$fetched" ] || fail "apt did not fetch $name (expected with SHA-256 $sha256)"
got=$(digest "$fetched")
[ "$got" = "$sha256" ] || fail "$name has SHA-256 $got; expected $sha256"
mv "$fetched" "$tarball"

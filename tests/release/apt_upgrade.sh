#!/bin/sh
# Zindle installed from its APT repository and upgraded from it, as a user
# meets it: a release's repository served over HTTP on this machine's
# loopback address, added as the README says (its keyring fetched from the
# host and named by signed-by), the package installed; then the next
# release's repository put in its place on the host, as a deploy does, and
# apt upgrades to it. zindle --version says which version is installed. The
# package is purged after, and no apt source, key or list is left behind.
#   apt_upgrade.sh <releases> <version> <next version>
# Root or sudo: it installs into this machine, which must not have Zindle.
set -u
releases=$1 version=$2 next=$3
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo -n"
if dpkg-query -W -f '${Status}' zindle 2>/dev/null | grep -q 'ok installed'; then
  echo "Zindle is installed on this machine: this test installs and purges it, so purge it first"
  exit 1
fi
status=0
fail() { echo "$*"; status=1; }
work=$(mktemp -d)
host=$work/host
mkdir "$host"
name=zindle-upgrade-test
list=/etc/apt/sources.list.d/$name.list
keyring=/etc/apt/keyrings/$name.gpg
server="" installed=""

# A plain static host, on a free port it tells once it listens.
python3 -c 'import functools, http.server, sys
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=sys.argv[1])
httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
print(httpd.server_address[1], flush=True)
httpd.serve_forever()' "$host" >"$work/port" 2>/dev/null &
server=$!
cleanup() {
  kill "$server" 2>/dev/null
  [ -z "$installed" ] || $SUDO apt-get purge -y -qq zindle >/dev/null 2>&1
  $SUDO rm -f "$list" "$keyring" /var/lib/apt/lists/127.0.0.1:"$port"_*
  rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 100); do
  [ -s "$work/port" ] && break
  sleep 0.1
done
port=$(cat "$work/port")
url=http://127.0.0.1:$port/apt

deployed=0
deploy() {
  # A deploy gives the files a later time than the last one's, so that apt
  # sees them changed.
  while [ "$(date +%s)" -le "$deployed" ]; do sleep 0.1; done
  rm -rf "$host/apt"
  cp -R "$releases/$1/apt" "$host/apt"
  deployed=$(date +%s)
}
apt_get() {
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get -qq "$@" >>"$work/apt.log" 2>&1 || {
    fail "apt-get $*: $(tail -5 "$work/apt.log")"
    return 1
  }
}
# Only the test's source is read again: the machine's other lists stay as they are.
update() { apt_get update -o Dir::Etc::SourceList="$list" -o Dir::Etc::SourceParts=- -o APT::Get::List-Cleanup=0; }
installed_version() { env -u DISPLAY /usr/games/zindle --version 2>&1; }

deploy current
$SUDO wget -q -O "$keyring" "$url/zindle-archive-keyring.gpg" || fail "no keyring at $url"
echo "deb [signed-by=$keyring] $url stable main" | $SUDO tee "$list" >/dev/null
update && apt_get install -y zindle && installed=1
[ "$(installed_version)" = "Zindle $version" ] || fail "installed from the repository: $(installed_version)"

deploy next
update
apt-get -s upgrade 2>/dev/null | grep -q "^Inst zindle \[$version\] ($next " || fail "apt upgrade would not take $next"
apt_get install -y --only-upgrade zindle
[ "$(installed_version)" = "Zindle $next" ] || fail "after the upgrade: $(installed_version)"

apt_get purge -y zindle && installed=""
if dpkg-query -W -f '${Status}' zindle 2>/dev/null | grep -q 'ok installed'; then fail "zindle is still installed"; fi
cleanup
trap - EXIT
left=$(ls -d "$list" "$keyring" /var/lib/apt/lists/127.0.0.1:"$port"_* 2>/dev/null)
[ -z "$left" ] || fail "left behind: $left"
[ $status -eq 0 ] && echo "installed $version from its repository, upgraded to $next, purged"
exit $status

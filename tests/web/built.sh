#!/bin/sh
# The browser's files as built: the zip holds the folder and nothing else,
# both are small enough to fetch at once (the folder is what the page
# transfers from a host that compresses nothing), and building the program,
# the folder and the zip again gives the same bytes.
#   built.sh <build> <folder> <zip>
set -u
BUILD=$1 SITE=$2 ZIP=$3
MAX_ZIP=1048576 MAX_SITE=2097152  # 1 MiB, 2 MiB
status=0
fail() { echo "$*"; status=1; }

listed=$(unzip -Z1 "$ZIP" | grep -v '/$' | LC_ALL=C sort)
present=$(cd "$(dirname "$SITE")" && find "$(basename "$SITE")" -type f | LC_ALL=C sort)
[ "$listed" = "$present" ] || fail "the zip holds other files than the folder: $listed"
for file in index.html page.css page.js touch.js licences.html icon_32.png icon_192.png icon_512.png \
            manifest.json service-worker.js zindle.js zindle.wasm \
            tiles.dat stuff.dat patches.dat LICENSE.txt GPL-2.txt THIRD-PARTY.txt; do
  [ -f "$SITE/$file" ] || fail "the folder lacks $file"
done
zip_size=$(stat -c %s "$ZIP")
site_size=$(cat "$SITE"/* | wc -c)
[ "$zip_size" -le $MAX_ZIP ] || fail "the zip has $zip_size bytes, more than $MAX_ZIP"
[ "$site_size" -le $MAX_SITE ] || fail "the page transfers $site_size bytes, more than $MAX_SITE"

before=$(sha256sum "$ZIP" "$SITE"/zindle.js "$SITE"/zindle.wasm)
cmake --build "$BUILD/web/game" --target clean >/dev/null
rm -f "$ZIP"
cmake --build "$BUILD" --target zindle_web >/dev/null || fail "the browser's files do not build again"
[ "$(sha256sum "$ZIP" "$SITE"/zindle.js "$SITE"/zindle.wasm)" = "$before" ] || fail "a second build differs: $before"
[ $status -eq 0 ] && echo "The zip ($zip_size bytes) and the folder ($site_size bytes) are as they should be, and the same again"
exit $status

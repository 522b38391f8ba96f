#!/bin/sh
# The browser's files as built: the zip holds the folder and nothing else,
# the zip is small enough to fetch at once, and so is what the page fetches
# before its menu shows from a host that compresses nothing (the
# instruments come after it); each gzip copy
# holds its file; and building the program, the folder and the zip again
# gives the same bytes.
#   built.sh <build> <folder> <zip>
set -u
BUILD=$1 SITE=$2 ZIP=$3
MAX_ZIP=1048576 MAX_FIRST_VISIT=320000
status=0
fail() { echo "$*"; status=1; }

listed=$(unzip -Z1 "$ZIP" | grep -v '/$' | LC_ALL=C sort)
present=$(cd "$(dirname "$SITE")" && find "$(basename "$SITE")" -type f | LC_ALL=C sort)
[ "$listed" = "$present" ] || fail "the zip holds other files than the folder: $listed"
first_visit="index.html page.css copies.js page.js touch.js icon_32.png manifest.json zindle.js.gz zindle.wasm.gz
             tiles.dat.gz stuff.dat.gz"
for file in $first_visit patches.dat.gz licences.html icon_192.png icon_512.png home_180.png home_192.png home_512.png \
            service-worker.js \
            tiles.dat stuff.dat patches.dat LICENSE.txt GPL-2.txt THIRD-PARTY.txt; do
  [ -f "$SITE/$file" ] || fail "the folder lacks $file"
done
for file in tiles.dat stuff.dat patches.dat; do
  gzip -dc "$SITE/$file.gz" | cmp -s - "$SITE/$file" || fail "$file.gz does not hold $file"
done
zip_size=$(stat -c %s "$ZIP")
first_visit_size=$(cd "$SITE" && cat $first_visit | wc -c)
[ "$zip_size" -le $MAX_ZIP ] || fail "the zip has $zip_size bytes, more than $MAX_ZIP"
[ "$first_visit_size" -le $MAX_FIRST_VISIT ] ||
  fail "the page fetches $first_visit_size bytes before its menu, more than $MAX_FIRST_VISIT"

before=$(sha256sum "$ZIP" "$SITE"/zindle.js.gz "$SITE"/zindle.wasm.gz)
cmake --build "$BUILD/web/game" --target clean >/dev/null
rm -f "$ZIP"
cmake --build "$BUILD" --target zindle_web >/dev/null || fail "the browser's files do not build again"
[ "$(sha256sum "$ZIP" "$SITE"/zindle.js.gz "$SITE"/zindle.wasm.gz)" = "$before" ] || fail "a second build differs: $before"
[ $status -eq 0 ] && echo "The zip ($zip_size bytes) and the first visit ($first_visit_size bytes) are as they should be, and the same again"
exit $status

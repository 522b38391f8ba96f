#!/bin/sh
# Lays out the Windows download in a folder of its own and packs it:
#   make-zip.sh <Info-ZIP zip> <folder> <zip> <time> <file>... -- <text file>...
# Files keep their names; text files get Windows line ends and a .txt name.
# Every file carries <time> (seconds since 1970: the release day), and zip
# stores no owners or extra fields, so two builds give the same bytes.
set -eu
infozip=$1 stage=$2 zip=$3 time=$4
shift 4
rm -rf "$stage" "$zip"
mkdir -p "$stage"
while [ "$1" != -- ]; do
  cp "$1" "$stage/"
  shift
done
shift
for text in "$@"; do
  sed 's/$/\r/' "$text" >"$stage/$(basename "$text" .txt).txt"
done
find "$stage" -exec touch -d "@$time" {} +
cd "$(dirname "$stage")"
find "$(basename "$stage")" -type f | LC_ALL=C sort | TZ=UTC "$infozip" -q -X -D -9 "$zip" -@

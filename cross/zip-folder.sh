#!/bin/sh
# Packs a folder into a zip that two builds make byte for byte the same:
#   zip-folder.sh <Info-ZIP zip> <folder> <zip> <time>
# Every file carries <time> (seconds since 1970: the release day), names go
# in sorted order, and zip stores no owners or extra fields. The zip holds
# the folder by its name.
set -eu
infozip=$1 folder=$2 zip=$3 time=$4
rm -f "$zip"
find "$folder" -exec touch -d "@$time" {} +
cd "$(dirname "$folder")"
find "$(basename "$folder")" -type f | LC_ALL=C sort | TZ=UTC "$infozip" -q -X -D -9 "$zip" -@

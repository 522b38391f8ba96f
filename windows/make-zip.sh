#!/bin/sh
# Lays out the Windows download in a folder of its own and packs it:
#   make-zip.sh <Info-ZIP zip> <folder> <zip> <time> <file>... -- <text file>...
# Files keep their names; text files get Windows line ends and a .txt name.
# Two builds give the same bytes (cross/zip-folder.sh).
set -eu
infozip=$1 stage=$2 zip=$3 time=$4
shift 4
rm -rf "$stage"
mkdir -p "$stage"
while [ "$1" != -- ]; do
  cp "$1" "$stage/"
  shift
done
shift
for text in "$@"; do
  sed 's/$/\r/' "$text" >"$stage/$(basename "$text" .txt).txt"
done
sh "$(dirname "$0")/../cross/zip-folder.sh" "$infozip" "$stage" "$zip" "$time"

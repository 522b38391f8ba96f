#!/bin/sh
# Lays out the browser's folder, which any static host serves as it is:
#   make-site.sh <folder> <icon> <file>... -- <licence>...
# Files keep their names; the icon becomes icon.png, and the licences plain
# text files with a .txt name, which browsers show as they are.
set -eu
site=$1 icon=$2
shift 2
rm -rf "$site"
mkdir -p "$site"
cp "$icon" "$site/icon.png"
while [ "$1" != -- ]; do
  cp "$1" "$site/"
  shift
done
shift
for licence in "$@"; do
  cp "$licence" "$site/$(basename "$licence" .txt).txt"
done

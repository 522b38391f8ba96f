#!/bin/sh
# Writes the folder's service worker: the game's version with a digest of
# every file in the folder, and the names of those it keeps, before the
# worker's code. It keeps what the page fetches: a file's gzip copy in its
# place where it has one.
#   write-worker.sh <folder> <version> <service-worker.js>
set -eu
folder=$1 version=$2 code=$3
worker=service-worker.js
cd "$folder"
files=$(find . -type f ! -name "$worker" | sed 's|^\./||' | LC_ALL=C sort)
digest=$(for file in $files; do sha256sum "$file"; done | sha256sum | cut -c1-16)
kept=$(for file in $files; do [ -f "$file.gz" ] || echo "$file"; done)
{
  echo "const VERSION = '$version-$digest';"
  printf "const FILES = ['./'"
  printf ", '%s'" $kept
  echo "];"
  cat "$code"
} >"$worker"

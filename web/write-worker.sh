#!/bin/sh
# Writes the folder's service worker: the game's version, the copy's
# version (the game's with a digest of every file in the folder), the files
# it keeps and those of them with a gzip copy beside them, then copies.js,
# which says which of a datafile's two forms to keep, and the worker's code.
# It keeps the page as the folder's own address, each datafile under its
# own name, and no gzip copy of a file that lies beside it.
#   write-worker.sh <folder> <version> <copies.js> <service-worker.js>
set -eu
folder=$1 version=$2 copies=$3 code=$4
worker=service-worker.js
cd "$folder"
files=$(find . -type f ! -name "$worker" | sed 's|^\./||' | LC_ALL=C sort)
digest=$(for file in $files; do sha256sum "$file"; done | sha256sum | cut -c1-16)
kept=$(for file in $files; do
  case $file in
    index.html) ;;
    *.gz) [ -f "${file%.gz}" ] || echo "$file" ;;
    *) echo "$file" ;;
  esac
done)
copied=$(for file in $files; do
  if [ -f "$file.gz" ]; then echo "$file"; fi
done)
list() {
  printf '['
  separator=
  for name in "$@"; do
    printf "%s'%s'" "$separator" "$name"
    separator=', '
  done
  echo '];'
}
{
  echo "const RELEASE = '$version';"
  echo "const VERSION = '$version-$digest';"
  printf 'const FILES = '
  list ./ $kept
  printf 'const COPIED = '
  list $copied
  cat "$copies" "$code"
} >"$worker"

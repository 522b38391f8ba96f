#!/bin/sh
# Lays out a download in a folder of its own, made afresh:
#   lay-out.sh <folder> <lf|crlf> <file>... -- <text file>...
# Files keep their names; text files (readmes, licences) get the line ends
# asked for, Windows' or the web's, and a .txt name, which every system
# opens as text.
set -eu
folder=$1 ends=$2
shift 2
rm -rf "$folder"
mkdir -p "$folder"
while [ "$1" != -- ]; do
  cp "$1" "$folder/"
  shift
done
shift
for text in "$@"; do
  if [ "$ends" = crlf ]; then
    sed 's/$/\r/' "$text"
  else
    cat "$text"
  fi >"$folder/$(basename "$text" .txt).txt"
done

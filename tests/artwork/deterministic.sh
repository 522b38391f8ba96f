#!/bin/sh
# The data build is deterministic: generating and packing twice gives the same
# bytes, and the same bytes as the build's own datafiles and icons.
#   deterministic.sh <generator> <pack.sh> <dat> <pat2dat> <soundfont> <build folder>
set -eu
GENERATOR=$1 PACK=$2 DAT=$3 PAT2DAT=$4 SOUNDFONT=$5 BUILT=$6

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# The icons at the sizes the build drew them.
sizes=$(for f in "$BUILT/icons/icon_"*.png; do basename "$f" .png | cut -d_ -f2; done)
for run in a b; do
  mkdir -p "$scratch/$run/sources" "$scratch/$run/out" "$scratch/$run/icons"
  "$GENERATOR" "$scratch/$run/sources"
  "$GENERATOR" --icons "$scratch/$run/icons" $sizes
  sh "$PACK" "$DAT" "$PAT2DAT" "$SOUNDFONT" "$scratch/$run/sources" "$scratch/$run/out"
done
status=0
for f in "$scratch/a/sources/"*; do
  cmp "$f" "$scratch/b/sources/$(basename "$f")" || status=1
done
for f in "$BUILT/icons/"*; do
  cmp "$f" "$scratch/a/icons/$(basename "$f")" || status=1
  cmp "$f" "$scratch/b/icons/$(basename "$f")" || status=1
done
for f in tiles.dat stuff.dat patches.dat; do
  cmp "$scratch/a/out/$f" "$scratch/b/out/$f" || status=1
  cmp "$scratch/a/out/$f" "$BUILT/$f" || status=1
done
[ $status -eq 0 ] && echo "generated files, icons and datafiles are the same twice over"
exit $status

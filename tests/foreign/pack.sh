#!/bin/sh
# Packs the foreign art into tiles.dat and stuff.dat with the library's own
# `dat`, in the game's object order and kinds and with its password, under
# the given compression, strip level and colour depth.
#   pack.sh <dat> <art folder> <output folder> <c> <s> <bpp>
# e.g. pack.sh /usr/bin/dat art out 2 1 16  packs with -c2 -s1 -bpp 16.
set -eu
DAT=$1 ART=$2 OUT=$3 C=$4 S=$5 BPP=$6
PASSWORD="amber crest"

mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)
# Under -s0 each object keeps its source's name and date. Packed from a copy
# beside the datafile (-f names it relative to the datafile) dated at a fixed
# time in a fixed zone, the bytes are the same wherever and whenever the
# suite runs, as its seeded fuzzing needs.
STAGE=$OUT/art
rm -rf "$STAGE"
cp -R "$ART" "$STAGE"
touch -d @946684800 "$STAGE"/*
cd "$STAGE"
# -n0 keeps the command-line order; each kind needs its own -t, so a file
# is filled in steps. Every step repeats the options: the file keeps no
# record of them under -s1 and -s2.
add() { TZ=UTC0 "$DAT" -a -n0 -f -c"$C" -s"$S" -bpp "$BPP" -007 "$PASSWORD" "$@" >/dev/null; }

rm -f "$OUT/tiles.dat" "$OUT/stuff.dat"
add -t BMP "$OUT/tiles.dat" \
  edge_right.bmp edge_top.bmp edge_bottom.bmp edge_left.bmp \
  corner_top_left.bmp corner_top_right.bmp corner_bottom_left.bmp corner_bottom_right.bmp \
  block1.bmp block2.bmp block3.bmp block4.bmp block5.bmp block6.bmp
add -t BMP "$OUT/stuff.dat" play_backdrop.bmp title_overlay.bmp
add -t MIDI "$OUT/stuff.dat" tune.mid
add -t SAMP "$OUT/stuff.dat" chirp.wav
add -t BMP "$OUT/stuff.dat" menu_backdrop.bmp menu_overlay.bmp help_overlay.bmp
rm -rf "$STAGE"

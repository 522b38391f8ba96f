#!/bin/sh
# Packs the generator's files into Zindle's datafiles with the library's own
# tools. The build and the determinism test both pack through this script.
#   pack.sh <dat> <pat2dat> <soundfont> <generated folder> <output folder>
set -eu
DAT=$1 PAT2DAT=$2 SOUNDFONT=$3 SOURCES=$4 OUT=$5
PASSWORD="amber crest"

cd "$SOURCES"
# -n0 keeps the command-line order, -s1 leaves out the grabber's own object.
# -c0 leaves the objects uncompressed: the game's check of a file then costs
# little more than reading it, well under half of loading it, and the
# package's and the downloads' own compression does far better on the plain
# pictures than the datafile's (xz: 74 KB against 214 KB for stuff.dat; the
# browser's gzip copy 114 KB against 388 KB packed with -c2).
add() { "$DAT" -a -n0 -s1 -c0 -007 "$PASSWORD" "$@" >/dev/null; }

rm -f "$OUT/tiles.dat" "$OUT/stuff.dat"
add -t BMP "$OUT/tiles.dat" \
  frame_right.bmp frame_top.bmp frame_bottom.bmp frame_left.bmp \
  frame_top_left.bmp frame_top_right.bmp frame_bottom_left.bmp frame_bottom_right.bmp \
  block_1.bmp block_2.bmp block_3.bmp block_4.bmp block_5.bmp block_6.bmp
# Each kind needs its own -t, so stuff.dat is filled in four steps, in order.
add -t BMP "$OUT/stuff.dat" background.bmp title.bmp
add -t MIDI "$OUT/stuff.dat" music.mid
add -t SAMP "$OUT/stuff.dat" bam.wav
add -t BMP "$OUT/stuff.dat" background2.bmp menu.bmp help.bmp

# The library's software synthesiser plays the tune with these instruments;
# only those the tune uses are taken. Left uncompressed: pat2dat's compressed
# output differs from run to run. It also stamps the time into its instrument
# list; a fixed stamp of the same length keeps the file the same every build.
"$PAT2DAT" -o -8 "$OUT/patches.dat" "$SOUNDFONT" music.mid >/dev/null
perl -0777 -pi -e 's/(# Date: ).{24}\n/$1 . ("-" x 24) . "\n"/e' "$OUT/patches.dat"

#!/bin/sh
# The tune is heard: play it through the library under a private X server with
# ALSA's output captured to a file, then check the capture is not silence.
#   tune_heard.sh <tune probe> <folder with stuff.dat>
set -eu
PROBE=$1 DATA_DIR=$2
MIN_RMS=0.01  # silence is 0; the tune reads 0.108 to 0.109 beside four busy workers on two cores

scratch=$(mktemp -d)
xvfb=""
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

cat >"$scratch/.asoundrc" <<ASOUND
pcm.!default { type plug; slave { pcm "capture"; format S16_LE } }
pcm.capture { type file; slave.pcm "null"; file "$scratch/capture.wav"; format "wav" }
ASOUND

# Xvfb picks a free display itself and writes its number once it is ready.
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp -noreset 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb=$!
tries=0
until [ -s "$scratch/display" ]; do
  tries=$((tries + 1))
  if [ $tries -gt 400 ] || ! kill -0 "$xvfb" 2>/dev/null; then
    echo "Xvfb did not start:"; cat "$scratch/xvfb.log"; exit 1
  fi
  sleep 0.05
done
display=":$(head -n1 "$scratch/display")"

cd "$DATA_DIR"
DISPLAY=$display HOME=$scratch "$PROBE"

rms=$(sox "$scratch/capture.wav" -n stat 2>&1 | awk '/RMS +amplitude/ { print $3 }')
seconds=$(sox "$scratch/capture.wav" -n stat 2>&1 | awk '/Length/ { print $3 }')
echo "captured $seconds s of the tune, RMS amplitude $rms"
awk -v r="$rms" -v m="$MIN_RMS" 'BEGIN { exit !(r + 0 > m) }' || { echo "the capture is silent"; exit 1; }

#!/bin/sh
# Runs one datafile fuzz target of a build folder: first every kept
# regression input once, then new inputs grown from the seeds, which are the
# game's own datafiles and the tests' tiny foreign ones in that folder.
#   fuzz.sh <build folder> <datafile_fuzz|stream_fuzz> runs <count>
#       a bounded, seeded run, as the test suite does it
#   fuzz.sh <build folder> <datafile_fuzz|stream_fuzz> seconds <count>
#       a long run; its corpus stays in <build folder>/fuzz-corpus and any
#       input that crashes is saved with the regression inputs, to be kept
set -eu
BUILD=$(cd "$1" && pwd) TARGET=$2 MODE=$3 COUNT=$4
HERE=$(cd "$(dirname "$0")" && pwd)
FUZZER=$BUILD/fuzz/$TARGET
case $TARGET in
  datafile_fuzz) KIND=file ;;
  stream_fuzz) KIND=stream ;;
  *) echo "unknown target $TARGET" >&2; exit 2 ;;
esac
REGRESSIONS=$HERE/regressions/$KIND
# Inputs stay small, so a run is many executions; no input may take more than
# a few seconds or ask for a big allocation.
LIMITS="-max_len=65536 -timeout=10 -malloc_limit_mb=256 -rss_limit_mb=2048"
export LSAN_OPTIONS="suppressions=$HERE/lsan.supp"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/seeds"
for f in "$BUILD/tiles.dat" "$BUILD/stuff.dat" "$BUILD"/foreign/tiny-*/*.dat; do
  name=$(echo "${f#"$BUILD"/}" | tr / -)
  if [ $KIND = stream ]; then
    "$BUILD/fuzz/stream_seed" "$f" "$work/seeds/$name"
  else
    cp "$f" "$work/seeds/$name"
  fi
done

"$FUZZER" $LIMITS -runs=0 "$REGRESSIONS"
case $MODE in
  runs)
    mkdir -p "$BUILD/fuzz-crashes" "$work/corpus"
    "$FUZZER" $LIMITS -seed=1 -runs="$COUNT" -artifact_prefix="$BUILD/fuzz-crashes/" \
      "$work/corpus" "$work/seeds" ;;
  seconds)
    mkdir -p "$BUILD/fuzz-corpus/$TARGET"
    "$FUZZER" $LIMITS -max_total_time="$COUNT" -print_final_stats=1 \
      -artifact_prefix="$REGRESSIONS/" "$BUILD/fuzz-corpus/$TARGET" "$work/seeds" ;;
  *) echo "unknown mode $MODE" >&2; exit 2 ;;
esac

#!/usr/bin/env bash
# One command to set up, build and then play or test Zindle.
#   ./run.sh play   install what is missing, build, start the game
#   ./run.sh test   install what is missing, build with sanitizers, run every test
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES="cmake g++ make pkg-config liballegro4-dev libgtest-dev libbenchmark-dev \
  timgm6mb-soundfont xvfb xdotool imagemagick x11-utils libx11-dev libxfixes-dev sox"

install_missing() {
  local missing=()
  for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

case "${1:-}" in
  play)
    install_missing
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
    cmake --build build -j"$(nproc)"
    cd build && exec ./zindle
    ;;
  test)
    install_missing
    cmake -S . -B build-test -DZINDLE_SANITIZE=ON
    cmake --build build-test -j"$(nproc)"
    ctest --test-dir build-test --output-on-failure
    ;;
  *)
    echo "usage: $0 play|test" >&2
    exit 2
    ;;
esac

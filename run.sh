#!/usr/bin/env bash
# One command to set up, build and then play or test Zindle.
#   ./run.sh play   install what is missing, build, start the game
#   ./run.sh test   install what is missing, build with sanitizers, run every test
set -euo pipefail
cd "$(dirname "$0")"

# What the game needs to build and play; the tests need the rest.
PLAY_PACKAGES="cmake g++ make pkg-config liballegro4-dev timgm6mb-soundfont"
TEST_PACKAGES="libgtest-dev libbenchmark-dev xvfb xdotool imagemagick x11-utils libx11-dev \
  libxfixes-dev sox clang"

install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

# clang's fuzzing runtime is packaged under clang's version number, where
# the distribution packages it apart from clang.
clang_runtime() {
  local version
  version=$(clang -dumpversion | cut -d. -f1)
  if apt-cache show "libclang-rt-$version-dev" >/dev/null 2>&1; then
    echo "libclang-rt-$version-dev"
  fi
}

case "${1:-}" in
  play)
    install_missing $PLAY_PACKAGES
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DZINDLE_TESTS=OFF
    cmake --build build -j"$(nproc)"
    cd build && exec ./zindle
    ;;
  test)
    install_missing $PLAY_PACKAGES $TEST_PACKAGES
    install_missing $(clang_runtime)
    cmake -S . -B build-test -DZINDLE_SANITIZE=ON -DZINDLE_TESTS=ON
    cmake --build build-test -j"$(nproc)"
    ctest --test-dir build-test --output-on-failure
    ;;
  *)
    echo "usage: $0 play|test" >&2
    exit 2
    ;;
esac

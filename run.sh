#!/usr/bin/env bash
# One command to set up, build and then play or test Zindle.
#   ./run.sh play   install what is missing, build, start the game
#   ./run.sh test   install what is missing, build with sanitizers, run every test
#   ./run.sh package  install what is missing, build dist/zindle_<version>_<arch>.deb, check it with lintian
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES="cmake g++ make pkg-config liballegro4-dev libgtest-dev libbenchmark-dev \
  timgm6mb-soundfont xvfb xdotool imagemagick x11-utils libx11-dev libxfixes-dev sox \
  libpng-dev dpkg-dev desktop-file-utils appstream groff-base"

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
  package)
    PACKAGES="$PACKAGES lintian"
    install_missing
    export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}"
    # Debian's own compiler and linker hardening, all of it.
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DZINDLE_BENCHMARKS=OFF \
      -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
      -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
    cmake --build build-package --target zindle -j"$(nproc)"
    rm -f dist/zindle_*.deb
    deb=$(sh packaging/make-deb.sh build-package dist)
    lintian --fail-on error "$deb"
    echo "Built $deb"
    ;;
  *)
    echo "usage: $0 play|test|package" >&2
    exit 2
    ;;
esac

#!/usr/bin/env bash
# One command to set up, build and then play or test Zindle.
#   ./run.sh play     install what is missing, build, start the game
#   ./run.sh test     install what is missing, build with sanitizers, run every test
#   ./run.sh package  install what is missing, build dist/zindle_<version>_<arch>.deb
#                     and check it with lintian
set -euo pipefail
cd "$(dirname "$0")"

# What the game needs to build and play; the tests and the package need more.
PLAY_PACKAGES="cmake g++ make pkg-config liballegro4-dev timgm6mb-soundfont libpng-dev"
TEST_PACKAGES="libgtest-dev libbenchmark-dev xvfb xdotool imagemagick x11-utils libx11-dev \
  libxfixes-dev sox clang dpkg-dev desktop-file-utils appstream groff-base"
PACKAGE_PACKAGES="dpkg-dev lintian"

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
  package)
    install_missing $PLAY_PACKAGES $PACKAGE_PACKAGES
    export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}"
    # Debian's own compiler and linker hardening, all of it.
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DZINDLE_TESTS=OFF \
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

#!/usr/bin/env bash
# One command to set up, build and then play or test Zindle.
#   ./run.sh play     install what is missing, build, start the game
#   ./run.sh test     install what is missing, build with sanitizers, run every test
#   ./run.sh package  install what is missing, build the source package and
#                     dist/zindle_<version>_<arch>.deb with Debian's tools, and
#                     check them with lintian
#   ./run.sh windows  install what is missing, build the game for 64-bit Windows:
#                     dist/zindle-<version>-win64.zip and its installer
#   ./run.sh web      install what is missing, build the game for web browsers:
#                     dist/zindle-<version>-web.zip, one folder for any static host
#   ./run.sh serve    the same, then serve that folder on http://127.0.0.1:8000/
#   ./run.sh release  install what is missing, build every download of the version
#                     debian/changelog names into dist/ with SHA256SUMS; with
#                     ZINDLE_RELEASE_KEY naming a gpg key, signed, with an APT
#                     repository in dist/apt/
set -euo pipefail
cd "$(dirname "$0")"

# What the game needs to build and play; the tests and the package need more.
PLAY_PACKAGES="cmake g++ make pkg-config liballegro4-dev timgm6mb-soundfont libpng-dev"
# The Windows build cross-compiles with mingw-w64 and packs with zip and NSIS;
# its tests play it under Wine, also under the twm window manager.
WINDOWS_PACKAGES="g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 patch zip nsis"
# The browser build compiles with emscripten; its tests play it in Chromium,
# Firefox (headless, it makes sound only through a sound server) and
# WebKit's MiniBrowser, and judge its first visit with Lighthouse; Lighthouse
# and what drives Firefox come from npm (install_node_packages).
WEB_PACKAGES="emscripten patch zip python3"
# A release signs with gpg and makes its APT repository with reprepro.
RELEASE_PACKAGES="gnupg reprepro"
# The apt test fetches a repository's keyring as the README's lines do, with wget.
TEST_PACKAGES="$RELEASE_PACKAGES wget libgtest-dev libbenchmark-dev xvfb xdotool imagemagick x11-utils libx11-dev \
  libxfixes-dev sox clang dpkg-dev debhelper lintian desktop-file-utils appstream groff-base \
  $WINDOWS_PACKAGES wine wine64 twm unzip \
  $WEB_PACKAGES chromium chromium-driver python3-selenium firefox-esr pulseaudio webkit2gtk-driver"
# The package's own build dependencies are those debian/control names; its
# tests once installed run under autopkgtest (.ci/run runs them).
PACKAGE_PACKAGES="dpkg-dev debhelper lintian autopkgtest"

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
}

# What debian/control's Build-Depends names, as apt reads it there.
install_build_depends() {
  dpkg-checkbuilddeps 2>/dev/null && return
  echo "Installing the package's build dependencies"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get build-dep -y -qq ./
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

# The browser tests' node packages, at the versions their lock file pins;
# node and npm from the distribution where the machine has none.
install_node_packages() {
  command -v npm >/dev/null || install_missing nodejs npm
  (cd tests/web && npm ci --no-audit --no-fund --silent)
}

# The version a build folder was configured with.
built_version() {
  sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt"
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
    install_node_packages
    cmake -S . -B build-test \
      -DZINDLE_SANITIZE=ON \
      -DZINDLE_TESTS=ON \
      -DZINDLE_WINDOWS=ON \
      -DZINDLE_WEB=ON
    cmake --build build-test -j"$(nproc)"
    ctest --test-dir build-test --output-on-failure
    ;;
  package)
    install_missing $PACKAGE_PACKAGES
    install_build_depends
    # The source package, the .deb and the .changes are left in build-package/.
    rm -rf build-package
    sh packaging/build-package.sh build-package -j"$(nproc)"
    built=build-package/zindle_$(dpkg-parsechangelog -S Version)_$(dpkg --print-architecture)
    lintian --fail-on error,warning "$built.changes"
    mkdir -p dist
    rm -f dist/zindle_*.deb
    cp "$built.deb" dist/
    echo "Built dist/${built#build-package/}.deb"
    ;;
  windows)
    install_missing $PLAY_PACKAGES $WINDOWS_PACKAGES
    cmake -S . -B build-windows -DCMAKE_BUILD_TYPE=Release -DZINDLE_TESTS=OFF -DZINDLE_WINDOWS=ON
    cmake --build build-windows --target zindle_windows -j"$(nproc)"
    version=$(built_version build-windows)
    mkdir -p dist
    rm -f dist/zindle-*-win64.zip dist/zindle-*-win64-setup.exe
    cp "build-windows/windows/zindle-$version-win64.zip" \
       "build-windows/windows/zindle-$version-win64-setup.exe" dist/
    echo "Built dist/zindle-$version-win64.zip and dist/zindle-$version-win64-setup.exe"
    ;;
  web|serve)
    install_missing $PLAY_PACKAGES $WEB_PACKAGES
    cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release -DZINDLE_TESTS=OFF -DZINDLE_WEB=ON
    cmake --build build-web --target zindle_web -j"$(nproc)"
    version=$(built_version build-web)
    mkdir -p dist
    rm -f dist/zindle-*-web.zip
    cp "build-web/web/zindle-$version-web.zip" dist/
    echo "Built dist/zindle-$version-web.zip"
    if [ "$1" = serve ]; then
      echo "Serving Zindle on http://127.0.0.1:8000/ (Ctrl+C stops it)"
      exec /usr/bin/python3 -m http.server 8000 --bind 127.0.0.1 --directory "build-web/web/zindle-$version-web"
    fi
    ;;
  release)
    install_missing $PLAY_PACKAGES $PACKAGE_PACKAGES $WINDOWS_PACKAGES $WEB_PACKAGES $RELEASE_PACKAGES
    install_build_depends
    exec sh release/release.sh dist build-release
    ;;
  *)
    echo "usage: $0 play|test|package|windows|web|serve|release" >&2
    exit 2
    ;;
esac

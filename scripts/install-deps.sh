#!/usr/bin/env bash
# Installs everything a fresh Debian 12 machine needs to build and test Quenlo Setup:
# the host toolchain and libraries, MinGW-w64 for the 32-bit Windows build, Wine (32-bit),
# Xvfb with a CJK font for the GUI tests, and libjpeg cross-built for Windows.
# Idempotent: each step checks first, so a second run takes seconds.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cache=${QUENLO_DEPS_DIR:-$here/.deps}
sudo=""
[ "$(id -u)" = 0 ] || sudo="sudo"

log() { printf '[install-deps] %s\n' "$*"; }

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev
  zlib1g-dev libjpeg62-turbo-dev
  g++-mingw-w64-i686 libz-mingw-w64-dev
  xvfb fonts-wqy-zenhei imagemagick clang-format
  dpkg-dev
)
wine_packages=(wine wine32:i386 wine64)

missing=()
for p in "${packages[@]}" "${wine_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  log "installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
else
  log "system packages present"
fi

# libjpeg for MinGW: Debian ships no binary package, so build the static library from
# Debian's own source package. The deb-src entry is derived from the machine's apt sources.
jpeg_prefix=$cache/libjpeg-mingw
if [ ! -f "$jpeg_prefix/lib/libjpeg.a" ]; then
  log "cross-building libjpeg for i686-w64-mingw32"
  src_list=/etc/apt/sources.list.d/quenlo-deb-src.sources
  if [ ! -f "$src_list" ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $sudo tee "$src_list" >/dev/null
    $sudo apt-get update -qq
  fi
  mkdir -p "$cache/src"
  (cd "$cache/src" && apt-get source --download-only -qq libjpeg-turbo >/dev/null 2>&1)
  rm -rf "$cache/src/libjpeg-turbo-build" "$cache/src/libjpeg-turbo-src"
  mkdir -p "$cache/src/libjpeg-turbo-src"
  tarball=$(ls "$cache"/src/libjpeg-turbo_*.orig.tar.* | head -n 1)
  tar -xf "$tarball" -C "$cache/src/libjpeg-turbo-src" --strip-components=1
  tc=$cache/src/mingw-toolchain.cmake
  cat >"$tc" <<'TC'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
TC
  cmake -S "$cache/src/libjpeg-turbo-src" -B "$cache/src/libjpeg-turbo-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$tc" -DCMAKE_BUILD_TYPE=Release \
    -DWITH_SIMD=0 -DENABLE_SHARED=0 -DWITH_TURBOJPEG=0 \
    -DCMAKE_INSTALL_PREFIX="$jpeg_prefix" -Wno-dev >/dev/null
  cmake --build "$cache/src/libjpeg-turbo-build" >/dev/null
  cmake --install "$cache/src/libjpeg-turbo-build" >/dev/null
  # keep only the static library and its headers
  rm -rf "$cache/src/libjpeg-turbo-build" "$cache/src/libjpeg-turbo-src"
  log "libjpeg installed in $jpeg_prefix"
else
  log "libjpeg for MinGW present"
fi
log "done"

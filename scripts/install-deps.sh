#!/usr/bin/env bash
# Installs everything a fresh Debian 12 machine needs to build and test Quenlo Setup:
# the host toolchain and libraries, MinGW-w64 for the 32-bit Windows build, Wine (32-bit),
# Xvfb with a CJK font and xdotool for the GUI tests, and libjpeg cross-built for Windows.
# Idempotent: each step checks first, so a second run takes seconds.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cache=${QUENLO_DEPS_DIR:-$here/.deps}
sudo=""
[ "$(id -u)" = 0 ] || sudo="sudo"

log() { printf '[install-deps] %s\n' "$*"; }

# A mirror that is being synced can fail one index file for a while. The update is tried a few
# times; when it still reports an error the install goes on with the indexes that did arrive, and
# only a package that then cannot be installed stops the script.
apt_update() {
  local attempt
  for attempt in 1 2 3; do
    $sudo apt-get update -qq && return 0
    log "package index update failed (attempt $attempt of 3)"
    sleep $((attempt * 5))
  done
  log "going on with the package indexes at hand"
}

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev
  zlib1g-dev libjpeg62-turbo-dev libdeflate-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 libz-mingw-w64-dev
  xvfb xdotool fonts-wqy-zenhei imagemagick clang-format
  dpkg-dev locales osslsigncode openssl
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
  apt_update
  if ! $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; then
    # Without the 32-bit packages (an index of the i386 architecture that did not arrive) the
    # rest still installs; the tests then run the x86-64 build under 64-bit Wine and report the
    # i686 Wine tests as skipped, which the test summary shows.
    rest=()
    for p in "${missing[@]}"; do [ "$p" = wine32:i386 ] || rest+=("$p"); done
    log "installing without wine32:i386 (32-bit Wine will not run on this machine)"
    $sudo apt-get install -y -qq --no-install-recommends "${rest[@]}" >/dev/null
  fi
else
  log "system packages present"
fi

# libjpeg for MinGW: Debian ships no binary package, so build the static library from
# Debian's own source package, once per Windows target (i686 for the product, x86_64 for the
# tests on machines that run only 64-bit Wine). The deb-src entry is derived from the machine's
# apt sources.
ensure_deb_src() {
  local src_list=/etc/apt/sources.list.d/quenlo-deb-src.sources
  if [ ! -f "$src_list" ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $sudo tee "$src_list" >/dev/null
    apt_update
  fi
}

build_libjpeg() {
  local triple=$1 processor=$2
  local prefix=$cache/libjpeg-$triple
  if [ -f "$prefix/lib/libjpeg.a" ]; then
    log "libjpeg for $triple present"
    return
  fi
  log "cross-building libjpeg for $triple"
  ensure_deb_src
  mkdir -p "$cache/src"
  if ! ls "$cache"/src/libjpeg-turbo_*.orig.tar.* >/dev/null 2>&1; then
    (cd "$cache/src" && apt-get source --download-only -qq libjpeg-turbo >/dev/null 2>&1)
  fi
  local work=$cache/src/work-$triple
  rm -rf "$work"
  mkdir -p "$work/src"
  tar -xf "$(ls "$cache"/src/libjpeg-turbo_*.orig.tar.* | head -n 1)" -C "$work/src" --strip-components=1
  cat >"$work/toolchain.cmake" <<TC
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR $processor)
set(CMAKE_C_COMPILER $triple-gcc-posix)
set(CMAKE_RC_COMPILER $triple-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$triple)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
TC
  cmake -S "$work/src" -B "$work/build" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DWITH_SIMD=0 -DENABLE_SHARED=0 -DWITH_TURBOJPEG=0 \
    -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
  cmake --build "$work/build" >/dev/null
  cmake --install "$work/build" >/dev/null
  rm -rf "$work"
  log "libjpeg installed in $prefix"
}
# libdeflate for MinGW: the same way, from Debian's source package, with its own Makefile (the
# static library only; AR given, since the Makefile cannot derive it from a -posix compiler name).
build_libdeflate() {
  local triple=$1
  local prefix=$cache/libdeflate-$triple
  if [ -f "$prefix/lib/libdeflate.a" ]; then
    log "libdeflate for $triple present"
    return
  fi
  log "cross-building libdeflate for $triple"
  ensure_deb_src
  mkdir -p "$cache/src"
  if ! ls "$cache"/src/libdeflate_*.orig.tar.* >/dev/null 2>&1; then
    (cd "$cache/src" && apt-get source --download-only -qq libdeflate >/dev/null 2>&1)
  fi
  local work=$cache/src/work-libdeflate-$triple
  rm -rf "$work"
  mkdir -p "$work"
  tar -xf "$(ls "$cache"/src/libdeflate_*.orig.tar.* | head -n 1)" -C "$work" --strip-components=1
  make -s -C "$work" CC="$triple-gcc-posix" AR="$triple-ar" libdeflatestatic.lib >/dev/null
  mkdir -p "$prefix/lib" "$prefix/include"
  cp "$work/libdeflatestatic.lib" "$prefix/lib/libdeflate.a"
  cp "$work/libdeflate.h" "$prefix/include/"
  rm -rf "$work"
  log "libdeflate installed in $prefix"
}

# Wine maps Windows file names to Unix ones through the Unix locale: without a real UTF-8 locale,
# names with Chinese characters cannot be created. Wine takes the system's ANSI code page from the
# locale too: zh_CN (936) is the setup's own; zh_TW (950) and en_US (1252) are the other system
# languages the tests run under.
for locale_name in zh_CN zh_TW en_US; do
  if ! locale -a 2>/dev/null | grep -qix "$locale_name.utf8"; then
    log "generating the $locale_name.UTF-8 locale"
    $sudo localedef -i "$locale_name" -f UTF-8 "$locale_name.UTF-8"
  fi
done

build_libjpeg i686-w64-mingw32 x86
build_libjpeg x86_64-w64-mingw32 AMD64
build_libdeflate i686-w64-mingw32
build_libdeflate x86_64-w64-mingw32
log "done"

#!/usr/bin/env bash
# Cross-builds libjpeg-turbo (static, i686-w64-mingw32) from Debian's source package into
# build/deps/i686, where cmake/mingw-i686.cmake looks for it. Does nothing when it is there already.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
prefix="$root/build/deps/i686"
stamp="$prefix/.libjpeg-turbo.done"
# Decoding only matters to the stub, whose size is fixed: no environment lookups (they bring in
# sscanf), no unwind tables (no exception passes through C code), and the system library's printf
# for the error texts instead of mingw-w64's own (which brings some 26 KB of number formatting).
# Changing these rebuilds.
cflags="-Os -ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables -DNO_GETENV -DNO_PUTENV -D__USE_MINGW_ANSI_STDIO=0"
[ -f "$stamp" ] && [ "$(cat "$stamp")" = "$cflags -DQS_FEATURES_TRIMMED" ] && [ -f "$prefix/lib/libjpeg.a" ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
src="$root/build/deps/src"
mkdir -p "$src"
dir=$(find "$src" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -1)
if [ -z "$dir" ]; then
  # Source lines: Debian 12 keeps its sources in deb822 form; add a deb-src twin once.
  if ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
        | $SUDO tee /etc/apt/sources.list.d/debian-src.sources >/dev/null
    else
      grep -hE '^deb ' /etc/apt/sources.list 2>/dev/null | sed 's/^deb /deb-src /' \
        | $SUDO tee /etc/apt/sources.list.d/debian-src.list >/dev/null
    fi
    $SUDO apt-get update -qq
  elif ! apt-get source --print-uris libjpeg-turbo >/dev/null 2>&1; then
    $SUDO apt-get update -qq
  fi
  echo "deps: fetching libjpeg-turbo sources"
  (cd "$src" && apt-get source -qq libjpeg-turbo >"$src/apt-source.log" 2>&1) || { cat "$src/apt-source.log"; exit 1; }
  dir=$(find "$src" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -1)
fi

# Decoding a banner needs none of the decoder's optional features: scaled output, colour
# quantisation, merged upsampling and block smoothing go (tens of kilobytes of the stub).
features="IDCT_SCALING_SUPPORTED QUANT_1PASS_SUPPORTED QUANT_2PASS_SUPPORTED UPSAMPLE_MERGING_SUPPORTED BLOCK_SMOOTHING_SUPPORTED"
for f in $features; do
  sed -i "s|^#define $f |#undef $f /* not needed by the installer */ |" "$dir/jmorecfg.h"
done
cflags="$cflags -DQS_FEATURES_TRIMMED"

echo "deps: building $(basename "$dir") for i686-w64-mingw32"
bld="$root/build/deps/build-libjpeg-i686"
rm -rf "$bld"
cmake -S "$dir" -B "$bld" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=MinSizeRel -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DCMAKE_C_FLAGS="$cflags" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF \
  -DWITH_ARITH_ENC=OFF -DWITH_ARITH_DEC=ON -DWITH_12BIT=OFF >"$bld.log" 2>&1 || { tail -40 "$bld.log"; exit 1; }
cmake --build "$bld" -j2 >>"$bld.log" 2>&1 || { tail -40 "$bld.log"; exit 1; }
cmake --install "$bld" >>"$bld.log" 2>&1 || { tail -40 "$bld.log"; exit 1; }
echo "$cflags" >"$stamp"
echo "deps: libjpeg-turbo installed in $prefix"

#!/usr/bin/env bash
# Installs what building and testing Quillset needs, when it is missing (Debian 12).
set -euo pipefail
packages=(cmake make g++ gcc clang clang-format libclang-rt-14-dev g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix
  mingw-w64-tools libgtest-dev libgmock-dev googletest libbenchmark-dev libjpeg62-turbo-dev liblz4-dev zlib1g-dev
  libcli11-dev libfmt-dev libtomlplusplus-dev wine wine32:i386 xvfb xauth xdotool imagemagick liblnk-utils fonts-wine fonts-liberation
  dpkg-dev nasm osslsigncode openssl lz4 time nsis libx11-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then $SUDO dpkg --add-architecture i386; fi
export DEBIAN_FRONTEND=noninteractive
# A mirror caught mid-sync fails one index; the others still serve, so a failed update is retried
# once and then the install is tried anyway.
$SUDO apt-get update -qq || { sleep 10; $SUDO apt-get update -qq; } || echo "setup: apt-get update failed; trying the install anyway"
install() { $SUDO apt-get install -y -qq --no-install-recommends "$@" "${missing[@]}" >/dev/null; }
# When the security index of one architecture is the one that failed, the multi-arch libraries cannot
# be matched across architectures; taking them from the release's main archive matches them again.
. /etc/os-release
install || { echo "setup: retrying with the ${VERSION_CODENAME} archive preferred"; install -t "$VERSION_CODENAME"; }

#!/usr/bin/env bash
# The i686 Windows build, and its test binaries run under Wine (real registry and file system).
set -euo pipefail
bash scripts/deps-libjpeg-win32.sh
cmake --preset windows >/dev/null
cmake --build --preset windows
export WINEPREFIX="${WINEPREFIX:-$PWD/build/wineprefix-tests}" WINEDEBUG=-all
# Some tests open real windows: give them a virtual display when there is none.
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 121 150); do [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break; done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
  export DISPLAY=":$n"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
fi
for t in build/windows/tests/test_*.exe; do
  echo "-- wine $t"
  timeout 600 wine "$t" --gtest_brief=1 > "build/windows/$(basename "$t").log" 2>&1 || { cat "build/windows/$(basename "$t").log"; exit 1; }
  tail -1 "build/windows/$(basename "$t").log"
done

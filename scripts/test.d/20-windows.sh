#!/usr/bin/env bash
# The i686 Windows build, and its test binaries run under Wine (real registry and file system).
set -euo pipefail
bash scripts/deps-libjpeg-win32.sh
cmake --preset windows >/dev/null
cmake --build --preset windows
source scripts/i386.sh
if no_i386; then
  echo "==== SKIPPED: this machine's kernel runs no 32-bit programs, so Wine cannot run the Windows tests"
  exit 0
fi
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
# Make the prefix once and keep one server for the whole run: a fresh prefix's first start runs
# its set-up in the background, and a server that goes away under a test ends it with a client error.
wineboot -i >build/windows/wineboot.log 2>&1 || { cat build/windows/wineboot.log; exit 1; }
wineserver -w
wineserver -p
trap 'wineserver -k 2>/dev/null || true; [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true' EXIT
for t in build/windows/tests/test_*.exe; do
  echo "-- wine $t"
  log="build/windows/$(basename "$t").log"
  if ! timeout 600 wine "$t" --gtest_brief=1 >"$log" 2>&1; then
    # Wine's own server going away is not a test failure: run the program once more.
    grep -q "wine client error" "$log" || { cat "$log"; exit 1; }
    echo "   (Wine's server went away; once more)"
    wineserver -p
    timeout 600 wine "$t" --gtest_brief=1 >"$log" 2>&1 || { cat "$log"; exit 1; }
  fi
  tail -1 "$log"
done

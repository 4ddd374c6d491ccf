#!/usr/bin/env bash
# The i686 Windows build, and its test binaries run under Wine (real registry and file system).
set -euo pipefail
bash scripts/deps-libjpeg-win32.sh
cmake --preset windows >/dev/null
cmake --build --preset windows
export WINEPREFIX="${WINEPREFIX:-$PWD/build/wineprefix-tests}" WINEDEBUG=-all
for t in build/windows/tests/test_*.exe; do
  echo "-- wine $t"
  timeout 600 wine "$t" --gtest_brief=1 > "build/windows/$(basename "$t").log" 2>&1 || { cat "build/windows/$(basename "$t").log"; exit 1; }
  tail -1 "build/windows/$(basename "$t").log"
done

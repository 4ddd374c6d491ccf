#!/usr/bin/env bash
# End-to-end runs of Quillset.exe under Wine and Xvfb, driven through its windows (tests/e2e).
set -euo pipefail
bash scripts/deps-libjpeg-win32.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target Quillset qsdrive qspause sample_product
source scripts/i386.sh
if no_i386; then
  echo "==== SKIPPED: this machine's kernel runs no 32-bit programs, so Wine cannot run the installer"
  exit 0
fi
timeout 900 bash tests/e2e/run.sh

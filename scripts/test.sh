#!/usr/bin/env bash
# Runs every test: native unit tests, the Windows build with its tests under Wine, short fuzz runs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
for step in scripts/test.d/*.sh; do
  echo "==== $step"
  bash "$step"
done
echo "==== all tests passed"

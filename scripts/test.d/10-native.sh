#!/usr/bin/env bash
# Native library, tool and unit tests.
set -euo pipefail
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native -j2

#!/usr/bin/env bash
# The native unit tests again, built with AddressSanitizer and UBSan (Debug: asserts on).
set -euo pipefail
cmake --preset asan >/dev/null
cmake --build --preset asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset asan -j2

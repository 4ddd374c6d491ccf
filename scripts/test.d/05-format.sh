#!/usr/bin/env bash
# Every C++ source is as clang-format (.clang-format) writes it.
set -euo pipefail
git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

#!/usr/bin/env bash
# Benchmarks: builds every benchmark of tests/bench (native preset) and runs each one. A benchmark
# measures our code beside its peers in the same run and prints the ratios at the end; nothing
# here passes or fails on a time. Arguments go to every benchmark (Google Benchmark flags, e.g.
# --benchmark_filter=mix or --benchmark_repetitions=3). Run it on a quiet machine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset native >/dev/null
make -C build/native/tests/bench -j2 --no-print-directory >/dev/null
shopt -s nullglob
for bench in build/native/tests/bench/bench_*; do
  [ -x "$bench" ] || continue
  echo "==== $bench"
  "$bench" "$@"
done

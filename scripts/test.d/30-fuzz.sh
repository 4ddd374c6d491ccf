#!/usr/bin/env bash
# Short fuzz runs of every libFuzzer target on a copy of its seed corpus. The seed of the random
# mutations is fixed so that a run can be repeated exactly; exploring runs set FUZZ_SEED=0 (a new
# seed each time) and raise FUZZ_SECONDS.
set -euo pipefail
seconds="${FUZZ_SECONDS:-20}"
seed="${FUZZ_SEED:-1}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
shopt -s nullglob
for bin in build/fuzz/tests/fuzz/fuzz_*; do
  name=$(basename "$bin"); name=${name#fuzz_}
  work=$(mktemp -d)
  [ -d "tests/fuzz/corpus/$name" ] && cp -r "tests/fuzz/corpus/$name/." "$work/"
  echo "-- fuzz $name for ${seconds}s"
  "$bin" -max_total_time="$seconds" -seed="$seed" -rss_limit_mb=2048 -print_final_stats=0 "$work" > "build/fuzz/$name.log" 2>&1 \
    || { tail -50 "build/fuzz/$name.log"; exit 1; }
  rm -rf "$work"
done

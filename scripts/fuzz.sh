#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for the
# given number of seconds (default 20). Crashes, hangs and sanitizer reports fail.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
scripts/deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DORBA_FUZZ=ON -DORBA_TESTS=OFF -DORBA_BENCH=OFF > /dev/null
cmake --build build-fuzz -j"$(nproc)"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
for target in build-fuzz/tests/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus=build-fuzz/corpus/$name
  mkdir -p "$corpus"
  seeds=tests/fuzz/seeds/$name
  [ -d "$seeds" ] || seeds=
  echo "== $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    "$corpus" $seeds 2>&1 | tail -n 4
done

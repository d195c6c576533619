#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for the
# given number of seconds (default 20). Crashes, hangs and sanitizer reports fail.
# Each run's full output is kept in build-fuzz/logs/, the inputs it found in
# build-fuzz/corpus/, and a failing input in build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
scripts/deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DORBA_FUZZ=ON -DORBA_TESTS=OFF -DORBA_BENCH=OFF > /dev/null
cmake --build build-fuzz -j"$(nproc)"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
mkdir -p build-fuzz/logs build-fuzz/artifacts
passed=0
failed=0
for target in build-fuzz/tests/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus=build-fuzz/corpus/$name
  log=build-fuzz/logs/$name.log
  mkdir -p "$corpus"
  seeds=tests/fuzz/seeds/$name
  [ -d "$seeds" ] || seeds=
  echo "== $name for ${seconds}s"
  if "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="build-fuzz/artifacts/$name-" "$corpus" $seeds > "$log" 2>&1; then
    grep -E '^(Done|stat::(number_of_executed_units|average_exec_per_sec))' "$log"
    passed=$((passed + 1))
  else
    echo "$name FAILED; the end of $log:"
    tail -n 80 "$log"
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]

#!/usr/bin/env bash
# leakcheck.sh: plays the sample game from start to end with an engine built
# with AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer, and
# fails on any report: a leak, an invalid access or undefined behaviour.
# Leaks inside system libraries are suppressed by tests/lsan.supp, nothing else.
#
# Builds in build-asan (the folder and options of scripts/test.sh --sanitize);
# LEAKCHECK_BUILD_DIR picks another folder. The screenshots, run.log and the
# reports are kept in <build>/leakcheck/. Exit status: 0 clean, 1 a report
# or a failed playthrough, 77 when the playthrough's tools are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${LEAKCHECK_BUILD_DIR:-$root/build-asan}
scripts/deps.sh

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORBA_SANITIZE=ON -DORBA_BENCH=OFF > /dev/null
cmake --build "$build" --target advengine sample_game -j"$(nproc)"

out=$build/leakcheck
reports=$out/reports
rm -rf "$out"
mkdir -p "$reports"
cp -r "$build/sample-game" "$out/game"  # the playthrough writes into the game folder

export ASAN_OPTIONS=detect_leaks=1:log_path=$reports/asan
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:log_path=$reports/ubsan
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
status=0
scripts/playthrough.sh "$build/adv/advengine" "$out/game" "$out/playthrough" || status=$?
unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS

found=0
for report in "$reports"/*; do
  [[ -s $report ]] || continue
  found=1
  echo "leakcheck: sanitizer report $(basename "$report"):"
  cat "$report"
done
if ((status == 77)); then
  echo "leakcheck: the playthrough's tools are missing; nothing was checked"
  exit 77
fi
if ((status != 0)); then
  echo "leakcheck: FAILED: the playthrough did not reach the end (status $status)"
  tail -n 20 "$out/playthrough/stdout.log" 2>/dev/null || true
  echo "leakcheck: 0 passed, 1 failed"
  exit 1
fi
if ((found)); then
  echo "leakcheck: FAILED: the sanitizers reported the faults above"
  echo "leakcheck: 0 passed, 1 failed"
  exit 1
fi
echo "leakcheck: the sample game ran from start to end with no leak, invalid access or undefined behaviour"
echo "leakcheck: 1 passed, 0 failed"

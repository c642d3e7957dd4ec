#!/bin/sh
# Builds the wrong-word book's fuzz target with clang (libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) and runs it for a bounded
# time, seeded with the sample lists: any bytes read as a list, written as a
# book and read again, must give the same entries. Exits non-zero when it
# finds a fault.
# Usage: scripts/fuzz_wordbook.sh [seconds]     (default 60)
# Build directory: $KESTRAN_FUZZ_BUILD (default build/fuzz-wordlist, shared
# with the list parser's target).
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${KESTRAN_FUZZ_BUILD:-build/fuzz-wordlist}
CC=clang CXX=clang++ cmake -S . -B "$build" -DKESTRAN_WITH_QT=OFF -DKESTRAN_BENCH=OFF -DBUILD_TESTING=OFF \
  >/dev/null
cmake --build "$build" --target fuzz_wordbook -j"$(nproc)" >"$build/fuzz_wordbook-build.log" 2>&1 ||
  { cat "$build/fuzz_wordbook-build.log"; exit 1; }

corpus="$build/fuzz_wordbook-corpus"
mkdir -p "$corpus"
cp lists/*.txt "$corpus/"
# A failing input is saved in the build directory as crash-*.
cd "$build"
status=0
./fuzz/fuzz_wordbook -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
  fuzz_wordbook-corpus >fuzz_wordbook.log 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
  tail -n 40 fuzz_wordbook.log
  echo "fuzz_wordbook: failed (status $status); see $PWD/fuzz_wordbook.log" >&2
  exit "$status"
fi
grep -E "^(Done|stat::number_of_executed_units|stat::peak_rss_mb)" fuzz_wordbook.log

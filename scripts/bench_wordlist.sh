#!/bin/sh
# Builds and runs the word-list benchmark: parse time and heap of a
# generated 100,000-entry list. Exits non-zero when a target is missed.
# Build directory: $KESTRAN_BENCH_BUILD (default build/bench-wordlist).
set -eu
cd "$(dirname "$0")/.."
build=${KESTRAN_BENCH_BUILD:-build/bench-wordlist}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKESTRAN_WITH_QT=OFF -DKESTRAN_BENCH=ON \
  -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target bench_wordlist -j"$(nproc)" >"$build/bench_wordlist-build.log" 2>&1 ||
  { cat "$build/bench_wordlist-build.log"; exit 1; }
"$build/bench/wordlist/bench_wordlist"

#!/bin/sh
# Builds and runs the study record's benchmark: a year of records (500,000
# judgements, 20,000 entries), today's due list, the drill's hand-over cost
# and memory. Exits non-zero when a target is missed.
# Build directory: $KESTRAN_BENCH_BUILD (default build/bench-record).
set -eu
cd "$(dirname "$0")/.."
build=${KESTRAN_BENCH_BUILD:-build/bench-record}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKESTRAN_WITH_QT=OFF -DKESTRAN_BENCH=ON \
  -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target bench_record -j"$(nproc)" >"$build/bench_record-build.log" 2>&1 ||
  { cat "$build/bench_record-build.log"; exit 1; }
"$build/bench/record/bench_record"

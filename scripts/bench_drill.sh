#!/bin/sh
# Builds and runs the drill benchmarks: the practice tick period at the three
# speeds (500 ticks each, about 45 s) and the cost of random draws at the end
# of a pass over 100,000 entries. Exits non-zero when a target is missed.
# Build directory: $KESTRAN_BENCH_BUILD (default build/bench-drill).
set -eu
cd "$(dirname "$0")/.."
build=${KESTRAN_BENCH_BUILD:-build/bench-drill}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKESTRAN_WITH_QT=OFF -DKESTRAN_BENCH=ON \
  -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target bench_drill_random_draw bench_drill_tick_period -j"$(nproc)" \
  >"$build/bench_drill-build.log" 2>&1 || { cat "$build/bench_drill-build.log"; exit 1; }
status=0
"$build/bench/drill/bench_drill_random_draw" || status=1
"$build/bench/drill/bench_drill_tick_period" || status=1
exit $status

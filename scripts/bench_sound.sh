#!/bin/sh
# Builds and runs the hit-sound memory benchmark: the peak RSS of playing a
# 1 Hz and a 10 MB WAV as the hit sound. Exits non-zero when a peak reaches
# 100 MB. Build directory: $KESTRAN_BENCH_BUILD (default build/bench-sound).
set -eu
cd "$(dirname "$0")/.."
build=${KESTRAN_BENCH_BUILD:-build/bench-sound}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKESTRAN_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target bench_hit_sound -j"$(nproc)" >"$build/bench_hit_sound-build.log" 2>&1 ||
  { cat "$build/bench_hit_sound-build.log"; exit 1; }
"$build/bench/sound/bench_hit_sound" "$PWD/RES/41.wav"

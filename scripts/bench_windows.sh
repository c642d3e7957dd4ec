#!/bin/sh
# The practice tick period at the three speeds on the Windows window system:
# cross-built and run under Wine with a virtual X server (500 ticks at each
# speed, about 45 s). Exits non-zero when a target is missed.
# Build directory: $KESTRAN_BENCH_BUILD (default build/bench-windows).
set -eu
cd "$(dirname "$0")/.."
build=${KESTRAN_BENCH_BUILD:-build/bench-windows}
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$(pwd)/cmake/i686-w64-mingw32.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DKESTRAN_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target bench_drill_tick_period -j"$(nproc)" \
  >"$build/bench_windows-build.log" 2>&1 || { cat "$build/bench_windows-build.log"; exit 1; }
scratch=$(mktemp -d /tmp/kestran-bench-wine.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
export WINEPREFIX="$scratch/prefix" WINEARCH=win32 WINEDEBUG=-all
xvfb-run -a sh -c 'wineboot -i >/dev/null 2>&1; wine "$1"; status=$?; wineserver -k; exit $status' \
  sh "$build/bench/drill/bench_drill_tick_period.exe"

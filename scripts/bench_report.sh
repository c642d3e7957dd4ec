#!/bin/sh
# Builds and runs the study report benchmark: a simulated year of heavy use
# (about 500,000 events and 20,000 entries) written as a record, then the
# report written from it several times. Exits non-zero when a write takes a
# second or more of processor time (wall time is printed beside it).
# Build directory: $KESTRAN_BENCH_BUILD (default build/bench-report).
set -eu
cd "$(dirname "$0")/.."
build=${KESTRAN_BENCH_BUILD:-build/bench-report}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKESTRAN_BENCH=ON -DBUILD_TESTING=OFF -DKESTRAN_WITH_QT=OFF >/dev/null
cmake --build "$build" --target bench_report -j2 >"$build/bench_report-build.log" 2>&1 ||
  { cat "$build/bench_report-build.log"; exit 1; }
echo "machine load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
"$build/bench/report/bench_report" "$@"

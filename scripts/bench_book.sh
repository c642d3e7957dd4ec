#!/bin/sh
# Builds and runs the wrong-word book benchmark: the time and memory of a
# miss with a book of 100,000 entries, against a whole rewrite, and how long
# the drill's hook and the menu's count take meanwhile. Exits non-zero when
# a target is missed. Build directory: $KESTRAN_BENCH_BUILD (default
# build/bench-book).
set -eu
cd "$(dirname "$0")/.."
build=${KESTRAN_BENCH_BUILD:-build/bench-book}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKESTRAN_WITH_QT=OFF -DKESTRAN_BENCH=ON \
  -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target bench_book_miss -j"$(nproc)" >"$build/bench_book-build.log" 2>&1 ||
  { cat "$build/bench_book-build.log"; exit 1; }
"$build/bench/book/bench_book_miss"

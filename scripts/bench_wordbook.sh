#!/bin/sh
# Builds and runs the wrong-word book's UiThread benchmark: keystroke-to-hit
# latency and UiThread's busy time with a book of 100,000 entries while
# misses are written and the menu and 打开错题本 are used. Exits non-zero
# when a target is missed. Build directory: $KESTRAN_BENCH_BUILD (default
# build/bench-book, shared with bench_book.sh).
set -eu
cd "$(dirname "$0")/.."
build=${KESTRAN_BENCH_BUILD:-build/bench-book}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKESTRAN_WITH_QT=OFF -DKESTRAN_BENCH=ON \
  -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target bench_wordbook_ui -j"$(nproc)" >"$build/bench_wordbook-build.log" 2>&1 ||
  { cat "$build/bench_wordbook-build.log"; exit 1; }
"$build/bench/wordbook/bench_wordbook_ui"

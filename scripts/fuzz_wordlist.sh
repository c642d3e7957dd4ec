#!/bin/sh
# Builds the word-list parser's fuzz target with clang (libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) and runs it for a bounded
# time, seeded with the sample lists. Exits non-zero when it finds a fault.
# Usage: scripts/fuzz_wordlist.sh [seconds]     (default 60)
# Build directory: $KESTRAN_FUZZ_BUILD (default build/fuzz-wordlist).
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${KESTRAN_FUZZ_BUILD:-build/fuzz-wordlist}
CC=clang CXX=clang++ cmake -S . -B "$build" -DKESTRAN_WITH_QT=OFF -DKESTRAN_BENCH=OFF -DBUILD_TESTING=OFF \
  >/dev/null
cmake --build "$build" --target fuzz_wordlist -j"$(nproc)" >"$build/fuzz_wordlist-build.log" 2>&1 ||
  { cat "$build/fuzz_wordlist-build.log"; exit 1; }

corpus="$build/fuzz_wordlist-corpus"
mkdir -p "$corpus"
# The first byte of an input sets the piece size the decoder works in.
for list in lists/*.txt lists/source/*.txt; do
  { printf '\007'; cat "$list"; } >"$corpus/$(basename "$list")"
done
for list in lists/source/*.txt; do
  { printf '\005\357\273\277'; cat "$list"; } >"$corpus/bom-$(basename "$list")"
  { printf '\003'; iconv -f UTF-8 -t UTF-16 "$list"; } >"$corpus/utf16-$(basename "$list")"
  { printf '\011'; iconv -f UTF-8 -t UTF-16BE "$list" | { printf '\376\377'; cat; }; } >"$corpus/utf16be-$(basename "$list")"
done
# A failing input is saved in the build directory as crash-*.
cd "$build"
status=0
./fuzz/fuzz_wordlist -max_total_time="$seconds" -max_len=8192 -print_final_stats=1 \
  fuzz_wordlist-corpus >fuzz_wordlist.log 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
  tail -n 40 fuzz_wordlist.log
  echo "fuzz_wordlist: failed (status $status); see $PWD/fuzz_wordlist.log" >&2
  exit "$status"
fi
grep -E "^(Done|stat::number_of_executed_units|stat::peak_rss_mb)" fuzz_wordlist.log

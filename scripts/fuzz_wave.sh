#!/bin/sh
# Builds the hit sound's WAV fuzz target with clang (libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) and runs it for a bounded
# time, seeded with the program's own sound and a few odd ones. A run that
# allocates past the malloc or RSS limit counts as a fault, as such an input
# would take the program's memory. Exits non-zero when it finds a fault.
# Usage: scripts/fuzz_wave.sh [seconds]     (default 60)
# Build directory: $KESTRAN_FUZZ_BUILD (default build/fuzz-wave).
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${KESTRAN_FUZZ_BUILD:-build/fuzz-wave}
CC=clang CXX=clang++ cmake -S . -B "$build" -DKESTRAN_WITH_QT=OFF -DKESTRAN_BENCH=OFF -DBUILD_TESTING=OFF \
  >/dev/null
cmake --build "$build" --target fuzz_wave -j"$(nproc)" >"$build/fuzz_wave-build.log" 2>&1 ||
  { cat "$build/fuzz_wave-build.log"; exit 1; }

corpus="$build/fuzz_wave-corpus"
mkdir -p "$corpus"
# Seeds: a device byte, then the file. The program's sound, and a 1 Hz and an
# 8 kHz 8-bit mono file (canonical 44-byte headers, little-endian fields).
{ printf '\000'; cat RES/41.wav; } >"$corpus/41.wav"
wav8() {  # rate(4 bytes, octal escapes) data-bytes
  printf '\000RIFF\044\001\000\000WAVEfmt \020\000\000\000\001\000\001\000'
  printf "$1$1"
  printf '\001\000\010\000data\000\001\000\000'
  head -c 256 /dev/zero | tr '\000' '\200'
}
wav8 '\001\000\000\000' >"$corpus/1hz.wav"
wav8 '\100\037\000\000' >"$corpus/8khz.wav"
# A file without its RIFF header whose data chunk claims 2.29 GB: once made
# SDL allocate the claim.
printf '\000WAVEfmt \020\000\000\000\001\000\001\000\001IFF$\001\000\000WAVEfmt \020\000\000\000\001\000\001\000\001 =\000\001\002\000\000\001\000\010\000data\000\001\210\210\210\216' \
  >"$corpus/bare-claim.wav"
# A failing input is saved in the build directory as crash-* or oom-*.
cd "$build"
status=0
./fuzz/fuzz_wave -max_total_time="$seconds" -max_len=65536 -malloc_limit_mb=256 -rss_limit_mb=1024 \
  -print_final_stats=1 fuzz_wave-corpus >fuzz_wave.log 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
  tail -n 40 fuzz_wave.log
  echo "fuzz_wave: failed (status $status); see $PWD/fuzz_wave.log" >&2
  exit "$status"
fi
grep -E "^(Done|stat::number_of_executed_units|stat::peak_rss_mb)" fuzz_wave.log

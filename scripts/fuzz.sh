#!/bin/sh
# Builds one fuzz target with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it for a bounded time from seeds of
# its own. Exits non-zero when it finds a fault; the failing input is saved in
# the build directory as crash-* (or oom-*).
#
#   scripts/fuzz.sh TARGET [seconds]     (default 60)
#
#   wordlist  the word-list parser, seeded with the sample lists in every
#             encoding it reads
#   wordbook  the wrong-word book's file format: any bytes read as a list,
#             written as a book and read again, must give the same entries
#   wave      the hit sound's WAV reading; a run that allocates past the
#             malloc or RSS limit counts as a fault, as such an input would
#             take the program's memory
#
# Build directory: $KESTRAN_FUZZ_BUILD (default build/fuzz-wordlist for the
# two list targets, which share it, build/fuzz-wave for wave).
set -eu
cd "$(dirname "$0")/.."
target=${1:?usage: scripts/fuzz.sh wordlist|wordbook|wave [seconds]}
seconds=${2:-60}
case $target in
  wordlist|wordbook) build=${KESTRAN_FUZZ_BUILD:-build/fuzz-wordlist} ;;
  wave) build=${KESTRAN_FUZZ_BUILD:-build/fuzz-wave} ;;
  *) echo "scripts/fuzz.sh: no fuzz target '$target' (wordlist, wordbook, wave)" >&2; exit 2 ;;
esac
name=fuzz_$target

CC=clang CXX=clang++ cmake -S . -B "$build" -DKESTRAN_WITH_QT=OFF -DKESTRAN_BENCH=OFF -DBUILD_TESTING=OFF \
  >/dev/null
cmake --build "$build" --target "$name" -j"$(nproc)" >"$build/$name-build.log" 2>&1 ||
  { cat "$build/$name-build.log"; exit 1; }

corpus="$build/$name-corpus"
mkdir -p "$corpus"
case $target in
  wordlist)
    limits="-max_len=8192"
    # The first byte of an input sets the piece size the decoder works in.
    for list in lists/*.txt lists/source/*.txt; do
      { printf '\007'; cat "$list"; } >"$corpus/$(basename "$list")"
    done
    for list in lists/source/*.txt; do
      { printf '\005\357\273\277'; cat "$list"; } >"$corpus/bom-$(basename "$list")"
      { printf '\003'; iconv -f UTF-8 -t UTF-16 "$list"; } >"$corpus/utf16-$(basename "$list")"
      { printf '\011'; iconv -f UTF-8 -t UTF-16BE "$list" | { printf '\376\377'; cat; }; } \
        >"$corpus/utf16be-$(basename "$list")"
    done ;;
  wordbook)
    limits="-max_len=4096"
    cp lists/*.txt "$corpus/" ;;
  wave)
    limits="-max_len=65536 -malloc_limit_mb=256 -rss_limit_mb=1024"
    # Seeds: a device byte, then the file. The program's sound, and a 1 Hz and
    # an 8 kHz 8-bit mono file (canonical 44-byte headers, little-endian fields).
    { printf '\000'; cat RES/41.wav; } >"$corpus/41.wav"
    wav8() {  # rate(4 bytes, octal escapes) data-bytes
      printf '\000RIFF\044\001\000\000WAVEfmt \020\000\000\000\001\000\001\000'
      printf "$1$1"
      printf '\001\000\010\000data\000\001\000\000'
      head -c 256 /dev/zero | tr '\000' '\200'
    }
    wav8 '\001\000\000\000' >"$corpus/1hz.wav"
    wav8 '\100\037\000\000' >"$corpus/8khz.wav"
    # A file without its RIFF header whose data chunk claims 2.29 GB: once
    # made SDL allocate the claim.
    printf '\000WAVEfmt \020\000\000\000\001\000\001\000\001IFF$\001\000\000WAVEfmt \020\000\000\000\001\000\001\000\001 =\000\001\002\000\000\001\000\010\000data\000\001\210\210\210\216' \
      >"$corpus/bare-claim.wav" ;;
esac

cd "$build"
status=0
# shellcheck disable=SC2086
"./fuzz/$name" -max_total_time="$seconds" $limits -print_final_stats=1 "$name-corpus" >"$name.log" 2>&1 ||
  status=$?
if [ "$status" -ne 0 ]; then
  tail -n 40 "$name.log"
  echo "$name: failed (status $status); see $PWD/$name.log" >&2
  exit "$status"
fi
grep -E "^(Done|stat::number_of_executed_units|stat::peak_rss_mb)" "$name.log"

#!/bin/sh
# Builds and runs the speech benchmark: for each voice of flite and
# espeak-ng, the time to the first sample of each word of a 200-word list
# and how many of those words pocketsphinx, given exactly that list as its
# grammar, hears right. Exits non-zero when a voice the program speaks with
# takes over 150 ms or is heard right under 90 %. Then 英音 from the word
# books' British transcriptions and 美音, each heard right at least 90 % of
# a 200-word sample of the phonetic table.
# Build directory: $KESTRAN_BENCH_BUILD (default build/bench-speech).
set -eu
cd "$(dirname "$0")/.."
build=${KESTRAN_BENCH_BUILD:-build/bench-speech}
for p in pocketsphinx-en-us libpocketsphinx-dev libespeak-ng-dev flite1-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
    { echo "missing package $p (apt-get install pocketsphinx-en-us libpocketsphinx-dev libespeak-ng-dev flite1-dev)" >&2; exit 2; }
done
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKESTRAN_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target bench_speech_engines bench_british_voice -j"$(nproc)" >"$build/bench_speech-build.log" 2>&1 ||
  { cat "$build/bench_speech-build.log"; exit 1; }
echo "machine load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores (latency figures are noisy under load)"
status=0
"$build/bench/speech/bench_speech_engines" lists/everyday-100.txt lists/school-100.txt || status=1
echo
"$build/bench/speech/bench_british_voice" "lists/词库/phonetics.tsv" || status=1
exit $status

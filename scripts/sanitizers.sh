#!/bin/sh
# The suite under AddressSanitizer + UndefinedBehaviorSanitizer, the threaded
# tests under ThreadSanitizer, and bounded fuzz runs of the list parser, of
# the wrong-word book's file format and of the hit sound's WAV reading.
set -eu
cd "$(dirname "$0")/.."
jobs=$(nproc)
status=0

# The failing tests' output in full, then CTest's count.
summarise() {
  if ! grep -q "100% tests passed" "$1"; then
    grep -v -E "^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed" "$1" | tail -n 200
  fi
  grep -E "tests passed, [0-9]+ tests failed out of [0-9]+" "$1" | tail -n 1
}

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRAN_SANITIZE=address,undefined \
  -DKESTRAN_BENCH=OFF >/dev/null
cmake --build build/asan -j"$jobs" >/dev/null
# The program keeps its windows and images for its whole life on purpose, so
# leak reports say nothing; memory errors and undefined behaviour do.
(cd build/asan && ASAN_OPTIONS=detect_leaks=0:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  QT_QPA_PLATFORM=offscreen ctest -j"$jobs" -LE e2e --timeout 600 --output-on-failure >ctest.log 2>&1) || status=1
summarise build/asan/ctest.log

echo "== ThreadSanitizer"
# The toolkit itself is not built for ThreadSanitizer, so this build leaves
# the Qt backend out: the threaded tests run on the headless backend.
cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRAN_SANITIZE=thread -DKESTRAN_WITH_QT=OFF \
  -DKESTRAN_BENCH=OFF >/dev/null
cmake --build build/tsan -j"$jobs" >/dev/null
(cd build/tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest -j"$jobs" --timeout 600 \
  --output-on-failure >ctest.log 2>&1) || status=1
summarise build/tsan/ctest.log

echo "== Fuzzing the word-list parser"
./scripts/fuzz.sh wordlist "${KESTRAN_FUZZ_SECONDS:-60}" || status=1
echo "== Fuzzing the wrong-word book's file format"
./scripts/fuzz.sh wordbook "${KESTRAN_FUZZ_SECONDS:-60}" || status=1
echo "== Fuzzing the hit sound's WAV reading"
./scripts/fuzz.sh wave "${KESTRAN_FUZZ_SECONDS:-60}" || status=1
exit $status

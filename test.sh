#!/bin/sh
# Builds KESTRAN and runs every test without a screen, then cross-builds the
# Windows program and runs its tests under Wine. Sets up a fresh Debian 12
# machine first. The last line is CTest's count of tests run and failed on
# Linux. Set KESTRAN_QUICK=1 to skip the sanitizer and fuzz runs.
set -eu
cd "$(dirname "$0")"
now() { date +%s; }
t0=$(now)
./scripts/setup.sh
t_setup=$(( $(now) - t0 ))

status=0
sanitizers="skipped (KESTRAN_QUICK)"
t0=$(now)
if [ -z "${KESTRAN_QUICK:-}" ]; then
  if ./scripts/sanitizers.sh; then sanitizers="clean"; else sanitizers="FAILED (see above)"; status=1; fi
fi
t_sanitizers=$(( $(now) - t0 ))

t0=$(now)
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/test -j"$(nproc)"
t_build=$(( $(now) - t0 ))
# Tests that need a real X server (the end-to-end drills) get their own Xvfb.
export QT_QPA_PLATFORM=offscreen
t0=$(now)
set +e
(cd build/test && ctest --output-on-failure -j"$(nproc)" --timeout 600 >ctest.log 2>&1)
[ $? -eq 0 ] || status=1
set -e
t_ctest=$(( $(now) - t0 ))

# The Windows program: cross-built, packaged, and its tests, the import
# check, the unpacked program and the setup program run under Wine.
t0=$(now)
windows="passed"
if ! ./scripts/build-windows.sh --test >build/windows-stage.log 2>&1; then windows="FAILED"; status=1; fi
t_windows=$(( $(now) - t0 ))

# On failure the failing tests' output, then the summary as the last line.
if [ $status -ne 0 ]; then
  grep -v -E "^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed" build/test/ctest.log | tail -n 300
  [ "$windows" = "passed" ] || tail -n 150 build/windows-stage.log
fi
grep -E "^KESTRAN.exe imports:|^Imports:|^Unpacked|^Esc then|^Setup program|^Passed only when run again" build/windows-stage.log || true
# A CI log keeps only its last lines: the first lines of each failure once
# more, right above the summary.
brief_failures() {
  grep -E -A4 ': Failure|^\[  FAILED  \] [^ ]+ \(|^FAILED|Error: |Traceback|^X Error of failed|^XIO: ' "$1" |
    grep -v -- '^--$' | head -n "$2"
}
if [ $status -ne 0 ]; then
  echo "Failures in brief:"
  grep -q "tests failed out of" build/test/ctest.log && ! grep -q " 0 tests failed out of" build/test/ctest.log &&
    brief_failures build/test/ctest.log 12
  [ "$windows" = "passed" ] || brief_failures build/windows-stage.log 14
elif grep -q "^Passed only when run again" build/windows-stage.log; then
  echo "The first run's failure under Wine:"
  brief_failures build/windows-stage.log 14
fi
echo "Sanitizer and fuzz runs: $sanitizers"
echo "Stage times (s): setup $t_setup, sanitizers and fuzz $t_sanitizers, Linux build $t_build," \
  "Linux tests $t_ctest, Windows build and Wine tests $t_windows"
echo "Windows build and Wine tests: $windows;" \
  "$(grep -E "tests passed, [0-9]+ tests failed out of [0-9]+" build/windows-stage.log | head -n 1)"
grep -E "tests passed, [0-9]+ tests failed out of [0-9]+" build/test/ctest.log | tail -n 1
exit $status

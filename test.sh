#!/bin/sh
# Builds KESTRAN and runs every test without a screen. Sets up a fresh
# Debian 12 machine first. The last line is CTest's count of tests run and
# failed. Set KESTRAN_QUICK=1 to skip the sanitizer and fuzz runs.
set -eu
cd "$(dirname "$0")"
./scripts/setup.sh

status=0
sanitizers="skipped (KESTRAN_QUICK)"
if [ -z "${KESTRAN_QUICK:-}" ]; then
  if ./scripts/sanitizers.sh; then sanitizers="clean"; else sanitizers="FAILED (see above)"; status=1; fi
fi

cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/test -j"$(nproc)"
# Tests that need a real X server (the end-to-end drills) get their own Xvfb.
export QT_QPA_PLATFORM=offscreen
cd build/test
set +e
ctest --output-on-failure -j"$(nproc)" --timeout 600 >ctest.log 2>&1
[ $? -eq 0 ] || status=1
set -e
# On failure the failing tests' output, then the summary as the last line.
if [ $status -ne 0 ]; then grep -v -E "^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed" ctest.log | tail -n 300; fi
echo "Sanitizer and fuzz runs: $sanitizers"
grep -E "tests passed, [0-9]+ tests failed out of [0-9]+" ctest.log | tail -n 1
exit $status

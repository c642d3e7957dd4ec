#!/bin/bash
# The soak run: builds the program and drives it for a long scripted session
# under a private X server (scripts/soak.py says what it does and checks).
# Not part of CTest: it runs for ten minutes by default.
#
#   scripts/soak.sh [seconds] [build-dir]      (defaults: 600, build/perf)
#
# Needs Xvfb, xdotool, ImageMagick, gdb and python3 (scripts/setup.sh).
# Exits 0 on PASS, 1 on FAIL, 2 when the session could not be run.
set -uo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
build=${2:-$here/build/perf}

for tool in cmake Xvfb xdotool xdpyinfo import gdb python3; do
    command -v "$tool" >/dev/null || { echo "soak: $tool is missing (scripts/setup.sh installs it)"; exit 2; }
done

mkdir -p "$build"
if ! { cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRAN_WITH_QT=ON &&
       cmake --build "$build" -j2 --target kestran kestran-list; } >"$build/soak-build.log" 2>&1; then
    tail -30 "$build/soak-build.log"
    echo "soak: build failed"
    exit 2
fi
exec python3 "$here/scripts/soak.py" "$build/kestran" "$build/tools/kestran-list" "$here" "$seconds"

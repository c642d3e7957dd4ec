#!/bin/bash
# The performance report: builds what it needs, runs the benchmarks and the
# live measurements of the real program under a private X server, and prints
# every figure with its target and PASS or MISS. Takes a few minutes; not
# part of CTest.
#
#   scripts/perf_report.sh [build-dir]      (default: build/perf)
#
# Needs Xvfb, xdotool, ImageMagick, gdb and python3 (scripts/setup.sh).
# Exits 0 when every target is met, 1 when one is missed, 2 when a
# measurement could not be made.
set -uo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/perf}

for tool in cmake Xvfb xdotool xdpyinfo import gdb python3; do
    command -v "$tool" >/dev/null || { echo "perf_report: $tool is missing (scripts/setup.sh installs it)"; exit 2; }
done

echo "== Build ($build, RelWithDebInfo)"
mkdir -p "$build"
if ! { cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRAN_WITH_QT=ON -DKESTRAN_BENCH=ON &&
       cmake --build "$build" -j2 --target kestran kestran-list bench_wordlist bench_drill_tick_period \
             bench_drill_random_draw; } >"$build/perf_report-build.log" 2>&1; then
    tail -30 "$build/perf_report-build.log"
    echo "perf_report: build failed"
    exit 2
fi
echo "  built; log in $build/perf_report-build.log"

kestran=$build/kestran
kestran_list=$build/tools/kestran-list
verdicts=()

# figure NAME VALUE TARGET OK(0/1)
figure() {
    local verdict=MISS
    [ "$4" = 1 ] && verdict=PASS
    verdicts+=("$verdict")
    printf '  %-44s %-52s target %-16s %s\n' "$1" "$2" "$3" "$verdict"
}

echo
echo "== Word list (bench_wordlist: a generated list of 100,000 entries)"
out=$("$build/bench/wordlist/bench_wordlist" 2>&1)
sed 's/^/    /' <<<"$out"
median=$(awk '/^LoadWordList/ {for (i = 1; i <= NF; i++) if ($i == "median") print $(i + 1)}' <<<"$out")
if [ -n "$median" ]; then
    figure "list load time, 100,000 entries (median)" "$median ms (LoadWordList from the file)" "< 100 ms" \
        "$(awk -v m="$median" 'BEGIN {print (m < 100) ? 1 : 0}')"
else
    figure "list load time, 100,000 entries" "no figure in the output" "< 100 ms" 0
fi

echo
echo "== Random draws at the end of a pass (bench_drill_random_draw, 100,000 entries)"
out=$("$build/bench/drill/bench_drill_random_draw" 2>&1)
sed 's/^/    /' <<<"$out"
# The end of the pass: its last 1000 ticks and the very last draw; the
# worst tick there, in CPU time of the ticking thread.
worst=$(awk -F'max ' '/last 1000 ticks|last draw/ {split($2, a, " "); if (a[1] > w) w = a[1]} END {print w}' <<<"$out")
if [ -n "$worst" ]; then
    figure "worst draw time at the end of a pass" "$worst ms CPU (last 1000 ticks and last draws)" "< 2 ms" \
        "$(awk -v w="$worst" 'BEGIN {print (w < 2) ? 1 : 0}')"
else
    figure "worst draw time at the end of a pass" "no figure in the output" "< 2 ms" 0
fi

echo
echo "== Tick period through the real timer and loop (bench_drill_tick_period, headless)"
out=$("$build/bench/drill/bench_drill_tick_period" 2>&1)
sed 's/^/    /' <<<"$out"
while read -r period mean error; do
    figure "tick period at $period ms (bench)" "mean $mean ms ($error off)" "within 1%" \
        "$(awk -v e="${error%\%}" 'BEGIN {print (e <= 1) ? 1 : 0}')"
done < <(awk '/ ms: mean / {p = $1; sub(/:/, "", p); e = $6; gsub(/[(%]/, "", e); print p, $4, e "%"}' <<<"$out")

echo
echo "== The running program (private Xvfb, real input, state read from memory)"
python3 "$here/scripts/perf_live.py" "$kestran" "$kestran_list" "$here" | tee "$build/perf_live.log"
live=${PIPESTATUS[0]}
while read -r verdict; do verdicts+=("$verdict"); done < <(grep -oE '(PASS|MISS)$' "$build/perf_live.log")

echo
met=0
for v in "${verdicts[@]}"; do [ "$v" = PASS ] && met=$((met + 1)); done
echo "== Summary: $met of ${#verdicts[@]} targets met"
[ "$live" = 2 ] && { echo "   (the live measurement stopped early)"; exit 2; }
[ "$met" = "${#verdicts[@]}" ] && exit 0
exit 1

#!/bin/bash
# The performance report: builds what it needs, runs the benchmarks, the
# live measurements of the real program under a private X server and the
# CPU comparison with Tux Typing, and prints every figure with its target
# and PASS or MISS. With --base, an earlier version is measured the same
# way in the same run and its figures are shown beside today's. Takes about
# ten minutes, twenty with --base; not part of CTest.
#
#   scripts/perf_report.sh [build-dir] [--base COMMIT|BUILD-DIR] [--rounds N]
#
#   build-dir  default build/perf
#   --base     a commit (built in a worktree under /tmp) or a build folder
#              holding kestran, tools/kestran-list and bench/ of one
#   --rounds   rounds of the CPU comparison (default 3)
#
# Needs Xvfb, xdotool, ImageMagick, gdb and python3 (scripts/setup.sh);
# installs Tux Typing (Debian package tuxtype) when it is missing.
# Exits 0 when every target is met, 1 when one is missed, 2 when a
# measurement could not be made. Targets apply to the build, not the base.
set -uo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=$here/build/perf
base=""
rounds=3
while [ $# -gt 0 ]; do
    case $1 in
        --base) base=$2; shift 2 ;;
        --rounds) rounds=$2; shift 2 ;;
        *) build=$1; shift ;;
    esac
done

for tool in cmake Xvfb xdotool xdpyinfo import gdb python3; do
    command -v "$tool" >/dev/null || { echo "perf_report: $tool is missing (scripts/setup.sh installs it)"; exit 2; }
done

targets=(kestran kestran-list bench_wordlist bench_drill_tick_period bench_drill_random_draw)
build_tree() {  # SOURCE BUILD [TARGET...]
    mkdir -p "$2"
    { cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRAN_WITH_QT=ON -DKESTRAN_BENCH=ON &&
      cmake --build "$2" -j2 --target "${targets[@]}" "${@:3}"; } >"$2/perf_report-build.log" 2>&1 || {
        tail -30 "$2/perf_report-build.log"
        echo "perf_report: build of $1 failed"
        exit 2
    }
    echo "  built $1 in $2; log in $2/perf_report-build.log"
}

echo "== Build ($build, RelWithDebInfo)"
build_tree "$here" "$build" bench_wake_floor
if [ -n "$base" ]; then
    if [ -x "$base/kestran" ]; then
        base_build=$(cd "$base" && pwd)
        echo "  base: the build in $base_build"
    else
        commit=$(git -C "$here" rev-parse --short "$base") || { echo "perf_report: no commit $base"; exit 2; }
        tree=/tmp/kestran-perf-base-$commit
        [ -d "$tree" ] || git -C "$here" worktree add --detach "$tree" "$commit" >/dev/null 2>&1 ||
            { echo "perf_report: cannot make a worktree of $commit"; exit 2; }
        base_build=$tree/build/perf-base
        echo "  base: commit $commit"
        build_tree "$tree" "$base_build"
    fi
fi

if [ ! -x /usr/games/tuxtype ]; then
    echo "  installing Tux Typing (tuxtype) for the comparison"
    apt-get install -y -o DPkg::Lock::Timeout=900 tuxtype >"$build/perf_report-tuxtype.log" 2>&1 ||
        echo "  perf_report: could not install tuxtype (see $build/perf_report-tuxtype.log)"
fi

verdicts=()
# figure NAME VALUE TARGET OK(0/1) [BEFORE]
figure() {
    local verdict=MISS
    [ "$4" = 1 ] && verdict=PASS
    verdicts+=("$verdict")
    if [ -n "$base" ]; then
        printf '  %-44s %-40s %-40s target %-12s %s\n' "$1" "${5:-}" "$2" "$3" "$verdict"
    else
        printf '  %-44s %-52s target %-16s %s\n' "$1" "$2" "$3" "$verdict"
    fi
}
[ -n "$base" ] && printf '  %-44s %-40s %-40s\n' "" "before ($base)" "after"

bench() {  # BUILD NAME...
    local dir=$1
    shift
    "$dir/bench/$*" 2>&1
}

echo
echo "== Word list (bench_wordlist: a generated list of 100,000 entries)"
load_median() { awk '/^LoadWordList/ {for (i = 1; i <= NF; i++) if ($i == "median") print $(i + 1)}'; }
out=$(bench "$build" wordlist/bench_wordlist)
sed 's/^/    /' <<<"$out"
median=$(load_median <<<"$out")
before=""
[ -n "$base" ] && before="$(bench "$base_build" wordlist/bench_wordlist | load_median) ms"
if [ -n "$median" ]; then
    figure "list load time, 100,000 entries (median)" "$median ms" "< 100 ms" \
        "$(awk -v m="$median" 'BEGIN {print (m < 100) ? 1 : 0}')" "$before"
else
    figure "list load time, 100,000 entries" "no figure in the output" "< 100 ms" 0 "$before"
fi

echo
echo "== Random draws at the end of a pass (bench_drill_random_draw, 100,000 entries)"
# The end of the pass: its last 1000 ticks and the very last draw; the
# worst tick there, in CPU time of the ticking thread.
worst_draw() { awk -F'max ' '/last 1000 ticks|last draw/ {split($2, a, " "); if (a[1] > w) w = a[1]} END {print w}'; }
out=$(bench "$build" drill/bench_drill_random_draw)
sed 's/^/    /' <<<"$out"
worst=$(worst_draw <<<"$out")
before=""
[ -n "$base" ] && before="$(bench "$base_build" drill/bench_drill_random_draw | worst_draw) ms CPU"
if [ -n "$worst" ]; then
    figure "worst draw time at the end of a pass" "$worst ms CPU" "< 2 ms" \
        "$(awk -v w="$worst" 'BEGIN {print (w < 2) ? 1 : 0}')" "$before"
else
    figure "worst draw time at the end of a pass" "no figure in the output" "< 2 ms" 0 "$before"
fi

echo
echo "== Tick period through the real timer and loop (bench_drill_tick_period, headless)"
periods() { awk '/ ms: mean / {p = $1; sub(/:/, "", p); e = $6; gsub(/[(%]/, "", e); print p, $4, e "%"}'; }
out=$(bench "$build" drill/bench_drill_tick_period)
sed 's/^/    /' <<<"$out"
declare -A before_period
if [ -n "$base" ]; then
    while read -r period mean error; do before_period[$period]="mean $mean ms ($error off)"; done \
        < <(bench "$base_build" drill/bench_drill_tick_period | periods)
fi
while read -r period mean error; do
    figure "tick period at $period ms (bench)" "mean $mean ms ($error off)" "within 1%" \
        "$(awk -v e="${error%\%}" 'BEGIN {print (e <= 1) ? 1 : 0}')" "${before_period[$period]:-}"
done < <(periods <<<"$out")

echo
echo "== The running program (private Xvfb, real input, state read from memory)"
live_status=0
if [ -n "$base" ]; then
    echo "-- before"
    python3 "$here/scripts/perf_live.py" "$base_build/kestran" "$base_build/tools/kestran-list" "$here" \
        "$build/perf_live-before.json" | tee "$build/perf_live-before.log"
    [ "${PIPESTATUS[0]}" = 2 ] && live_status=2
    echo "-- after"
fi
python3 "$here/scripts/perf_live.py" "$build/kestran" "$build/tools/kestran-list" "$here" "$build/perf_live.json" |
    tee "$build/perf_live.log"
[ "${PIPESTATUS[0]}" = 2 ] && live_status=2
if [ -n "$base" ] && [ -s "$build/perf_live-before.json" ] && [ -s "$build/perf_live.json" ]; then
    echo "-- side by side"
    python3 - "$build/perf_live-before.json" "$build/perf_live.json" <<'EOF'
import json, sys
before = {f["name"]: f for f in json.load(open(sys.argv[1]))}
print(f"  {'':<44} {'before':<40} {'after':<40}")
for f in json.load(open(sys.argv[2])):
    b = before.get(f["name"], {}).get("value", "-")
    print(f"  {f['name']:<44} {b:<40} {f['value']:<40} target {f['target']:<12} {'PASS' if f['ok'] else 'MISS'}")
EOF
fi
while read -r verdict; do verdicts+=("$verdict"); done < <(grep -oE '(PASS|MISS)$' "$build/perf_live.log")

echo
echo "== CPU at rest and while drilling, next to Tux Typing ($rounds rounds of 20 s windows)"
programs=()
[ -n "$base" ] && programs+=("before=$base_build/kestran")
programs+=("after=$build/kestran" "floor=$build/bench/drill/bench_wake_floor")
[ -x /usr/games/tuxtype ] && programs+=(tuxtype)
python3 "$here/scripts/perf_cpu.py" --rounds "$rounds" --json "$build/perf_cpu.json" "$here" "${programs[@]}" |
    tee "$build/perf_cpu.log"
cpu_status=${PIPESTATUS[0]}
while read -r verdict; do verdicts+=("$verdict"); done < <(grep -oE '(PASS|MISS)$' "$build/perf_cpu.log")
[ -x /usr/games/tuxtype ] || figure "CPU next to Tux Typing" "Tux Typing is not installed" "measured" 0

echo
met=0
for v in "${verdicts[@]}"; do [ "$v" = PASS ] && met=$((met + 1)); done
echo "== Summary: $met of ${#verdicts[@]} targets met"
if [ "$live_status" = 2 ] || [ "$cpu_status" = 2 ]; then
    echo "   (a live measurement stopped early)"
    exit 2
fi
[ "$met" = "${#verdicts[@]}" ] && exit 0
exit 1

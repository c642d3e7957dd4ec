#!/bin/bash
# Canvas figures: the cost of one frame (benchmark), and in the running
# program under a virtual display, the frame interval and the CPU share of
# each thread while a word moves.
#
#   scripts/measure_canvas.sh [build-dir] [seconds]
#
# Needs Xvfb, xdotool and strace for the second part (apt-get install xvfb
# xdotool strace); without them only the benchmark runs.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/measure}
seconds=${2:-10}

cmake -S "$here" -B "$build" -DKESTRAN_WITH_QT=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target kestran canvas_frame_bench >/dev/null 2>&1

echo "== Frame cost on the offscreen device"
QT_QPA_PLATFORM=offscreen "$build/bench/canvas/canvas_frame_bench" 3000 2>/dev/null

for tool in Xvfb xdotool strace python3; do
    if ! command -v "$tool" >/dev/null; then
        echo "(no $tool: skipping the measurement of the running program)"
        exit 0
    fi
done

started=()
numberFile=$(mktemp)
cleanup() {
    for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -f "$numberFile"
}
trap cleanup EXIT

# A display number no one else uses: the server picks it and tells us.
Xvfb -displayfd 3 -screen 0 1024x768x24 3>"$numberFile" >/dev/null 2>&1 &
started+=($!)
for _ in $(seq 50); do [ -s "$numberFile" ] && break; sleep 0.1; done
export DISPLAY=:$(head -1 "$numberFile")
(cd "$here" && exec "$build/kestran") >/dev/null 2>&1 &
program=$!
started+=($program)
sleep 3

# Open a list: the open button, then the path typed into the file dialog.
window=$(xdotool search --name '^KESTRAN$' | while read -r w; do
    size=$(xdotool getwindowgeometry "$w" | awk '/Geometry/ {print $2}')
    [ "${size%x*}" -gt 100 ] && echo "$w"
done | head -1)
read -r x y < <(xdotool getwindowgeometry "$window" | awk -F'[ ,]+' '/Position/ {print $3, $4}')
xdotool mousemove $((x - 1 + 264 + 38)) $((y - 1 + 145 + 19)) click 1
sleep 2
xdotool type --delay 20 "$here/lists/everyday-100.txt"
xdotool key Return
sleep 2
if command -v import >/dev/null; then
    import -window root "$build/measure_canvas.png" && echo "(screen at the start: $build/measure_canvas.png)"
fi

# CPU first, with nothing attached; then the frame times, read from the
# render thread's paced sleeps under strace.
threads() { ls "/proc/$program/task"; }
ticks() { awk '{print $14 + $15}' "/proc/$program/task/$1/stat"; }
percent() { awk -v d="$1" -v hz="$(getconf CLK_TCK)" -v s="$seconds" 'BEGIN {printf "%5.2f", d * 100 / hz / s}'; }
declare -A before
for t in $(threads); do before[$t]=$(ticks "$t"); done
total_before=$(awk '{print $14 + $15}' "/proc/$program/stat")
sleep "$seconds"
total_after=$(awk '{print $14 + $15}' "/proc/$program/stat")

echo "== Running program, ${seconds} s with a moving word"
for t in $(threads); do
    [ -n "${before[$t]:-}" ] || continue
    printf '  thread %-7s %-16s %s%% of a core\n' "$t" "$(cat "/proc/$program/task/$t/comm")" \
        "$(percent $(( $(ticks "$t") - ${before[$t]} )))"
done
printf '  process                  %s%% of a core\n' "$(percent $((total_after - total_before)))"

trace=$(mktemp)
timeout "$seconds" strace -f -ttt -e trace=clock_nanosleep -p "$program" -o "$trace" 2>/dev/null || true
python3 - "$trace" <<'EOF'
import re, sys, statistics, collections
# Per thread: the moments its paced sleeps (not the 1 ms ones) end.
wakes = collections.defaultdict(list); pending = {}
for line in open(sys.argv[1]):
    parts = line.split(None, 2)
    if len(parts) < 3: continue
    tid, t, rest = parts[0], float(parts[1]), parts[2]
    if rest.startswith('clock_nanosleep('):
        m = re.search(r'tv_nsec=(\d+)', rest)
        paced = bool(m) and 'tv_sec=0,' in rest and int(m.group(1)) != 1000000
        if '<unfinished' in rest: pending[tid] = paced
        elif paced: wakes[tid].append(t)
    elif 'clock_nanosleep resumed' in rest:
        if pending.pop(tid, False): wakes[tid].append(t)
if not wakes:
    print("  no paced frames seen"); sys.exit()
tid, times = max(wakes.items(), key=lambda kv: len(kv[1]))
iv = sorted((b - a) * 1000 for a, b in zip(times, times[1:]))
print("  render thread %s: %d frame intervals, mean %.3f ms, p99 %.3f ms, max %.3f ms"
      % (tid, len(iv), statistics.mean(iv), iv[int(len(iv) * 0.99)], iv[-1]))
EOF
rm -f "$trace"

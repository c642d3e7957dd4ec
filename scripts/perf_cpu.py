#!/usr/bin/env python3
"""CPU of KESTRAN at rest and while drilling, next to Tux Typing's, in the
same run under one private X server.

Each program is started afresh in every round and the rounds alternate
between the programs, so that the load other processes put on the machine
falls on all of them alike. A figure is the median over the rounds of one
window's CPU time (the threads' time on a processor, from
/proc/PID/task/*/schedstat) over its wall time, in per cent of one core; per
thread that time and how often the thread was put on a processor (wake-ups
per second) come from the same counters.

  at rest:  KESTRAN's start screen (no list) / Tux Typing's main menu
  drilling: a word moving (everyday-100, file order, start speed) /
            a Fish Cascade game running (Easy, Short Words)

usage: perf_cpu.py [--seconds S] [--rounds N] [--json OUT] SOURCE_DIR NAME=KESTRAN... [floor=EXE] [tuxtype]
  NAME=KESTRAN: a KESTRAN program to measure under that name (e.g.
  before=/tmp/base/kestran after=build/perf/kestran); the last one is the
  one the targets apply to. "tuxtype" adds Tux Typing (installed from Debian
  by perf_report.sh when missing). floor=EXE adds bench_wake_floor: two
  threads that only wake as KESTRAN's ticker and drawing thread do while a
  word moves; its figure, in the same run, is the part of the drilling
  figure that the wake-ups alone cost on this machine.
"""

import argparse
import contextlib
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no cache folder in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import kestran_driver as kd  # noqa: E402

CLK_TCK = os.sysconf("SC_CLK_TCK")
TUXTYPE = "/usr/games/tuxtype"
REST_TARGET, DRILL_TARGET = 0.5, 1.0


def process_ticks(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def thread_times(pid):
    """Per thread id: name, ns on a processor, times put on one."""
    found = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/comm") as f:
                name = f.read().strip()
            with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
                run_ns, _, slices = (int(v) for v in f.read().split())
        except OSError:
            continue
        found[tid] = (name, run_ns, slices)
    return found


def kestran_roles(pid):
    """KESTRAN's threads in the order it starts them: the UI thread, then
    RenderThread and TickerThread (the toolkit's own threads keep their names)."""
    tids = sorted(int(t) for t in os.listdir(f"/proc/{pid}/task"))
    roles = {str(pid): "UiThread"}
    own = []
    exe_name = open(f"/proc/{pid}/comm").read().strip()
    for t in tids:
        if t == pid:
            continue
        with open(f"/proc/{pid}/task/{t}/comm") as f:
            if f.read().strip() == exe_name:
                own.append(t)
    for role, tid in zip(("RenderThread", "TickerThread"), own):
        roles[str(tid)] = role
    return roles


def window(pid, seconds, roles):
    """CPU share of the process over `seconds`, and per thread
    {role: (share, wake-ups per second)}.

    The share is the threads' time on a processor from schedstat, counted in
    nanoseconds; utime + stime count whole clock ticks (10 ms) that land in
    the process, which for a process near 0.5 % of a core is a handful of
    ticks in a window and varies by a third from one window to the next.
    It falls back to the ticks for a thread that ended within the window."""
    ticks0, threads0, t0 = process_ticks(pid), thread_times(pid), time.perf_counter()
    time.sleep(seconds)
    ticks1, threads1, t1 = process_ticks(pid), thread_times(pid), time.perf_counter()
    elapsed = t1 - t0
    per_thread = {}
    for tid, (name, run_ns, slices) in threads1.items():
        _, run0, slices0 = threads0.get(tid, (name, 0, 0))
        role = roles.get(tid, name)
        share, wakes = per_thread.get(role, (0.0, 0.0))
        per_thread[role] = (share + (run_ns - run0) / elapsed / 1e7, wakes + (slices - slices0) / elapsed)
    if set(threads0) <= set(threads1):
        return sum(share for share, _ in per_thread.values()), per_thread
    return (ticks1 - ticks0) / CLK_TCK / elapsed * 100, per_thread


# --- The programs ---------------------------------------------------------------

def measure_kestran(exe, screen, home, everyday, words, seconds):
    layout = kd.StateLayout(exe)
    k = kd.Kestran(exe, screen, home, layout)
    k.start()
    try:
        k.wait_window()
        k.field("listLoaded")
        time.sleep(3.0)
        roles = kestran_roles(k.pid)
        rest = window(k.pid, seconds, roles)
        k.open_list(everyday)
        kd.wait_for("the list", lambda: k.field("listLoaded") == 1 and k.field("wordCount") == words)
        k.click(kd.ANSWER_BOX)
        time.sleep(1.0)
        moved_from = k.field("scrollX")
        time.sleep(0.3)
        if k.field("scrollX") == moved_from:
            raise kd.DriverError("the word does not move")
        drilling = window(k.pid, seconds, kestran_roles(k.pid))
        if not k.alive():
            raise kd.DriverError("KESTRAN ended")
    finally:
        k.stop()
    return rest, drilling


@contextlib.contextmanager
def running(args, **popen):
    """A program started quietly for the measurement, and killed after it."""
    p = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **popen)
    try:
        yield p
    finally:
        p.kill()
        p.wait()


def measure_floor(exe, seconds):
    with running([exe]) as p:
        time.sleep(1.0)
        drilling = window(p.pid, seconds, {})
        if p.poll() is not None:
            raise kd.DriverError("the wake floor program ended")
    return (0.0, {}), drilling


def measure_tuxtype(screen, home, seconds):
    env = dict(screen.env, HOME=home, SDL_AUDIODRIVER="dummy")
    with running([TUXTYPE, "--window", "--nosound"], cwd=home, env=env) as p:
        # Keys go to the window under the pointer (no window manager): over
        # Tux Typing's window, away from its menu items.
        screen.xdo("mousemove", 600, 20)
        time.sleep(4.0)  # the main menu, animated
        rest = window(p.pid, seconds, {})
        # Fish Cascade, Easy, the first word list: the game starts.
        for _ in range(3):
            screen.xdo("key", "Return")
            time.sleep(1.5)
        time.sleep(1.0)
        drilling = window(p.pid, seconds, {})
        if p.poll() is not None:
            raise kd.DriverError("Tux Typing ended")
    return rest, drilling


# --- The report -------------------------------------------------------------------

def median_threads(samples):
    roles = sorted({r for _, threads in samples for r in threads})
    out = {}
    for r in roles:
        shares = [threads.get(r, (0.0, 0.0))[0] for _, threads in samples]
        wakes = [threads.get(r, (0.0, 0.0))[1] for _, threads in samples]
        out[r] = (statistics.median(shares), statistics.median(wakes))
    return out


def describe_threads(threads):
    shown = [(r, s, w) for r, (s, w) in threads.items() if s >= 0.02 or w >= 5]
    shown.sort(key=lambda x: -x[1])
    return "; ".join(f"{r} {s:.2f}% ({w:.0f} wake-ups/s)" for r, s, w in shown)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--seconds", type=float, default=20.0)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--json")
    parser.add_argument("source")
    parser.add_argument("programs", nargs="+")
    args = parser.parse_args()

    source = os.path.abspath(args.source)
    programs = []  # (name, kind, program)
    for spec in args.programs:
        if spec == "tuxtype":
            programs.append(("Tux Typing", "tux", None))
        else:
            name, exe = spec.split("=", 1)
            kind = "floor" if name == "floor" else "kestran"
            programs.append(("wake floor" if kind == "floor" else name, kind, os.path.abspath(exe)))
    kestran_names = [n for n, kind, _ in programs if kind == "kestran"]

    work = tempfile.mkdtemp(prefix="kestran-cpu-")
    home = os.path.join(work, "home")
    shutil.copytree(os.path.join(source, "RES"), os.path.join(home, "RES"))
    everyday = os.path.join(source, "lists", "everyday-100.txt")
    words = sum(1 for line in open(everyday, "rb") if line.strip())
    screen = kd.VirtualScreen(extra_env=dict(SDL_AUDIODRIVER="dummy"))
    results = {name: {"rest": [], "drilling": []} for name, _, _ in programs}
    loads = []
    try:
        screen.wait_ready()
        for r in range(args.rounds):
            loads.append(os.getloadavg()[0])
            for name, kind, exe in programs:
                # A program that ended or failed within its round is started
                # once more (Tux Typing sometimes ends on its own).
                for attempt in (1, 2):
                    try:
                        if kind == "tux":
                            rest, drilling = measure_tuxtype(screen, home, args.seconds)
                        elif kind == "floor":
                            rest, drilling = measure_floor(exe, args.seconds)
                        else:
                            rest, drilling = measure_kestran(exe, screen, home, everyday, words, args.seconds)
                        break
                    except kd.DriverError as e:
                        if attempt == 2:
                            raise
                        print(f"  round {r + 1} {name}: {e}; measured again", flush=True)
                results[name]["rest"].append(rest)
                results[name]["drilling"].append(drilling)
                at_rest = "" if kind == "floor" else f"at rest {rest[0]:5.2f}%   "
                print(f"  round {r + 1} {name:<12} {at_rest:<19}drilling {drilling[0]:5.2f}%", flush=True)
    finally:
        screen.close()
        shutil.rmtree(work, ignore_errors=True)

    print(f"machine: {os.cpu_count()} cores, load average {min(loads):.2f} to {max(loads):.2f} at the round starts; "
          f"{args.rounds} rounds of {args.seconds:.0f} s windows, medians", flush=True)
    summary = {}
    for name, kind, _ in programs:
        summary[name] = {}
        for phase in ("drilling",) if kind == "floor" else ("rest", "drilling"):
            samples = results[name][phase]
            share = statistics.median(s for s, _ in samples)
            threads = median_threads(samples)
            summary[name][phase] = {"share": share, "runs": [round(s, 3) for s, _ in samples],
                                    "threads": {r: [round(s, 3), round(w, 1)] for r, (s, w) in threads.items()}}
            runs = ", ".join(f"{s:.2f}" for s, _ in samples)
            print(f"  {name:<12} {phase:<9} {share:5.2f}% of a core (runs {runs})", flush=True)
            print(f"      {describe_threads(threads)}", flush=True)

    verdicts = []

    def figure(label, value, target, ok):
        verdicts.append(ok)
        print(f"  {label:<44} {value:<52} target {target:<16} {'PASS' if ok else 'MISS'}", flush=True)

    subject = kestran_names[-1]
    rest = summary[subject]["rest"]["share"]
    drilling = summary[subject]["drilling"]["share"]
    figure(f"CPU at rest, start screen ({args.seconds:.0f} s, median)", f"{rest:.2f}% of a core", f"<= {REST_TARGET}%",
           rest <= REST_TARGET)
    figure(f"CPU while drilling ({args.seconds:.0f} s, median)", f"{drilling:.2f}% of a core", f"<= {DRILL_TARGET}%",
           drilling <= DRILL_TARGET)
    if "Tux Typing" in summary:
        tux = summary["Tux Typing"]
        for phase, label in (("rest", "at rest"), ("drilling", "drilling")):
            ours, theirs = summary[subject][phase]["share"], tux[phase]["share"]
            ratio = ours / theirs if theirs > 0 else float("inf")
            figure(f"CPU {label}, KESTRAN / Tux Typing", f"{ratio:.2f} ({ours:.2f}% / {theirs:.2f}%)", "<= 1.00",
                   ratio <= 1.0)
    # The load of the machine drifts between rounds more than a change of
    # the program moves the figure; the programs of one round share it, so
    # each round's difference is the fairer comparison.
    if len(kestran_names) > 1:
        first = kestran_names[0]
        for phase, label in (("rest", "at rest"), ("drilling", "drilling")):
            pairs = [b[0] - a[0] for a, b in zip(results[first][phase], results[subject][phase])]
            rounds = ", ".join(f"{d:+.2f}" for d in pairs)
            print(f"  {f'CPU {label}, {subject} - {first}, by round':<44} median {statistics.median(pairs):+.2f} "
                  f"points (rounds {rounds})", flush=True)
    if "wake floor" in summary:
        floor = summary["wake floor"]["drilling"]["share"]
        ours = summary[subject]["drilling"]["share"]
        theirs = f", {floor / summary['Tux Typing']['drilling']['share']:.2f} of Tux Typing's" \
            if "Tux Typing" in summary and summary["Tux Typing"]["drilling"]["share"] > 0 else ""
        print(f"  {'two wake-ups a tick alone (bench_wake_floor)':<44} {floor:.2f}% of a core: "
              f"{floor / ours:.2f} of KESTRAN's drilling figure{theirs}", flush=True)
    if args.json:
        with open(args.json, "w") as f:
            json.dump(summary, f, indent=1)
    return 0 if all(verdicts) else 1


if __name__ == "__main__":
    try:
        sys.exit(main())
    except kd.DriverError as e:
        print(f"CPU measurement stopped: {e}", flush=True)
        sys.exit(2)

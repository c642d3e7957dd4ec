#!/usr/bin/env python3
"""A long scripted session of the real program: the fastest speed, random
order, a hit every third word (the current word read from the program's
state, its text from kestran-list --json), and the list reopened through the
open dialog every minute, the two sample lists in turn.

Checks, and prints as PASS or FAIL at the end:
  - memory: RSS every 10 s stays flat after the warm-up;
  - no hang: the word keeps moving, every typed word is a hit, the canvas
    keeps reaching the screen, the process lives;
  - no tick backlog: the word's speed right after a hit or a reopen matches
    the steady speed, with no burst of ticks.

usage: soak.py KESTRAN KESTRAN_LIST SOURCE_DIR [SECONDS]   (default 600)
"""

import json
import os
import shutil
import statistics
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no cache folder in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import kestran_driver as kd  # noqa: E402

KESTRAN, KESTRAN_LIST, SOURCE = (os.path.abspath(a) for a in sys.argv[1:4])
DURATION = float(sys.argv[4]) if len(sys.argv) > 4 else 600.0
LISTS = [os.path.join(SOURCE, "lists", name) for name in ("phrases.txt", "everyday-100.txt")]

SAMPLE_EVERY = 10.0
RELOAD_EVERY = 60.0
WARM_UP = 60.0
RSS_GROWTH_LIMIT_MB = 4.0
STALL_LIMIT = 1.5          # seconds the word may stand still without a reason
TICK_MS = 8
BURST_WINDOW = 0.040       # seconds
BURST_LIMIT = 10           # pixels in BURST_WINDOW; 5 at the steady speed
SPEED_TOLERANCE = 0.10     # after an event, within 10% of the steady speed
POLL = 0.0002
CLK_TCK = os.sysconf("SC_CLK_TCK")


def log(text):
    print(text, flush=True)


def load_words(path):
    return [r["word"] for r in json.loads(kd.run(KESTRAN_LIST, "--json", path))["records"]]


class Soak:
    def __init__(self, k, x):
        self.k, self.x = k, x
        self.r = k.reader
        self.start = time.time()
        self.words = {path: load_words(path) for path in LISTS}
        self.list_no = 0
        self.current = LISTS[0]
        # Findings.
        self.rss = []              # (t, MB)
        self.cpu = []              # per cent of a core per sample
        self.hits, self.missed_hits, self.word_mismatches = 0, [], 0
        self.words_seen, self.reloads, self.reload_times = 0, 0, []
        self.window_checks, self.window_silent = 0, 0
        self.steady, self.after_hit, self.after_reload = [], [], []  # px/s
        self.bursts = []           # largest pixels in BURST_WINDOW after an event
        self.max_stall, self.stalls = 0.0, []
        self.passes_acknowledged = 0
        self.errors = []
        self._cpu_mark = (time.perf_counter(), k.cpu_ticks())

    def elapsed(self):
        return time.time() - self.start

    # --- Measurements -----------------------------------------------------
    def speed(self, seconds):
        """Pixels per second of the moving word over `seconds`, from the
        moments scrollX changes, and the most pixels in any BURST_WINDOW."""
        changes, last = [], self.r.int("scrollX")
        end = time.perf_counter() + seconds
        while time.perf_counter() < end:
            v = self.r.int("scrollX")
            if v != last:
                changes.append((time.perf_counter(), v))
                last = v
            time.sleep(POLL)
        run = []  # the longest stretch of forward steps
        for c in changes:
            if run and not 0 < c[1] - run[-1][1] <= 3:
                break
            run.append(c)
        if len(run) < 10:
            return None, None
        rate = (run[-1][1] - run[0][1]) / (run[-1][0] - run[0][0])
        burst, j = 0, 0
        for i in range(len(run)):  # the most steps whose moments fit in one window
            while run[i][0] - run[j][0] > BURST_WINDOW:
                j += 1
            burst = max(burst, run[i][1] - run[j][1])
        return rate, burst

    def sample(self):
        now, ticks = time.perf_counter(), self.k.cpu_ticks()
        cpu = (ticks - self._cpu_mark[1]) / CLK_TCK / (now - self._cpu_mark[0]) * 100
        self._cpu_mark = (now, ticks)
        rss = self.k.rss_kib() / 1024
        self.rss.append((self.elapsed(), rss))
        self.cpu.append(cpu)
        # The window answers: canvas repaints reach the X screen while the
        # word moves on the canvas (a frame equal to the one shown may
        # rightly be left out, so only then must every frame arrive).
        try:
            kd.wait_for("the word on the canvas", lambda: 0 <= self.r.int("scrollX") <= 300 and
                        not self.r.int("practiceHitAnim") and not self.r.int("practiceFinished"), 6.0, 0.005)
        except kd.DriverError:
            self.errors.append(f"the word was not on the canvas for 6 s at {self.elapsed():.0f} s")
        self.x.watch_damage(self.k.window_id())
        cx, cy, cw, ch = kd.CANVAS
        updates = sum(1 for e in self.x.damage_events(0.25)
                      if e[1] < cx + cw and e[1] + e[3] > cx and e[2] < cy + ch and e[2] + e[4] > cy)
        self.window_checks += 1
        if updates < 3:
            self.window_silent += 1
        log(f"t={self.elapsed():5.0f} s  RSS {rss:6.1f} MB  CPU {cpu:5.2f}%  words {self.words_seen:4d}  "
            f"hits {self.hits:3d} (missed {len(self.missed_hits)})  reloads {self.reloads:2d}  "
            f"canvas updates in 0.25 s: {updates}")

    # --- Actions ----------------------------------------------------------
    def hit(self, index):
        words = self.words[self.current]
        if index >= len(words):
            self.errors.append(f"index {index} outside the list of {len(words)}")
            return
        word = words[index]
        if self.r.word(index) != word.encode("gbk"):
            self.word_mismatches += 1
        if self.missed_hits:
            self.k.key("Return")  # empties the box in practice, should a miss have left text in it
        self.k.type_text(word)
        typed = time.perf_counter()
        while time.perf_counter() - typed < 1.5:
            if self.r.int("practiceHitAnim") == 1:
                self.hits += 1
                break
            time.sleep(0.001)
        else:
            self.missed_hits.append((round(self.elapsed()), word))
            return
        # The next word starts once the animation is over.
        try:
            kd.wait_for("the next word", lambda: self.r.int("practiceHitAnim") == 0 and self.r.int("scrollX") < 0,
                        3.0, 0.0005)
        except kd.DriverError:
            self.errors.append(f"no next word after the hit on {word!r} at {self.elapsed():.0f} s")
            return
        rate, burst = self.speed(0.5)
        if rate is not None:
            self.after_hit.append(rate)
            self.bursts.append(burst)

    def reload(self):
        self.list_no += 1
        path = LISTS[self.list_no % len(LISTS)]
        began = time.perf_counter()
        self.k.open_list(path)
        expected = len(self.words[path])
        try:
            kd.wait_for("the reopened list",
                        lambda: self.r.int("listLoaded") == 1 and self.r.int("wordCount") == expected, 10.0, 0.005)
        except kd.DriverError:
            self.errors.append(f"reopening {os.path.basename(path)} failed at {self.elapsed():.0f} s")
            return
        self.reload_times.append(time.perf_counter() - began)
        self.current = path
        self.reloads += 1
        self.k.click(kd.ANSWER_BOX)
        if self.r.int("randomOrder") != 1:
            self.errors.append("random order lost after a reopen")
        rate, burst = self.speed(0.5)
        if rate is not None:
            self.after_reload.append(rate)
            self.bursts.append(burst)

    # --- The session --------------------------------------------------------
    def run(self):
        end = self.start + DURATION
        next_sample = self.start + SAMPLE_EVERY
        next_reload = self.start + RELOAD_EVERY / 2
        last_x = self.r.int("scrollX")
        last_move = time.perf_counter()
        in_stall = False
        while time.time() < end:
            if not self.k.alive():
                self.errors.append(f"the program ended at {self.elapsed():.0f} s")
                return
            s = self.k.state("scrollX", "practiceIndex", "practiceHitAnim", "practiceFinished", "listLoaded")
            now = time.perf_counter()
            if s["scrollX"] != last_x or s["practiceHitAnim"] or s["practiceFinished"] or not s["listLoaded"]:
                last_move = now
            stall = now - last_move
            self.max_stall = max(self.max_stall, stall)
            if stall > STALL_LIMIT and not in_stall:
                self.stalls.append(round(self.elapsed() - stall))
            in_stall = stall > STALL_LIMIT
            if stall > 20:
                self.errors.append(f"the word stood still for {stall:.0f} s")
                return

            if s["practiceFinished"]:
                self.k.key("space")
                self.passes_acknowledged += 1
                try:
                    kd.wait_for("the next pass", lambda: self.r.int("practiceFinished") == 0, 2.0, 0.01)
                except kd.DriverError:
                    self.errors.append(f"Space did not start the next pass at {self.elapsed():.0f} s")
                last_move = time.perf_counter()
            elif s["scrollX"] < last_x - 100:  # a new word
                self.words_seen += 1
                if self.words_seen % 3 == 0:
                    time.sleep(0.1)
                    self.hit(s["practiceIndex"])
                elif self.words_seen % 3 == 1:
                    time.sleep(0.2)
                    rate, burst = self.speed(1.0)
                    if rate is not None:
                        self.steady.append(rate)
                last_move = time.perf_counter()
            last_x = self.r.int("scrollX")

            if time.time() >= next_sample:
                self.sample()
                next_sample += SAMPLE_EVERY
                last_move = time.perf_counter()
            if time.time() >= next_reload:
                self.reload()
                next_reload += RELOAD_EVERY
                last_x = self.r.int("scrollX")
                last_move = time.perf_counter()
            time.sleep(0.005)

    # --- Verdicts -----------------------------------------------------------
    def summary(self):
        log("")
        log(f"soak summary: {self.elapsed():.0f} s at {TICK_MS} ms ticks, random order, "
            f"{self.words_seen} words, {self.hits} hits, {self.reloads} reopens, "
            f"{self.passes_acknowledged} passes acknowledged")
        verdicts = []

        after = [mb for t, mb in self.rss if t >= WARM_UP]
        if len(after) >= 2:
            base = after[0]
            growth = max(after) - base
            end_growth = statistics.mean(after[-3:]) - base
            ok = growth <= RSS_GROWTH_LIMIT_MB
            log(f"  memory: RSS at {WARM_UP:.0f} s {base:.1f} MB, then {min(after):.1f} .. {max(after):.1f} MB, "
                f"{after[-1]:.1f} MB at the end (highest +{growth:.2f} MB, last three +{end_growth:.2f} MB); "
                f"limit +{RSS_GROWTH_LIMIT_MB:.0f} MB  {'PASS' if ok else 'FAIL'}")
        else:
            ok = False
            log("  memory: too few samples after the warm-up  FAIL")
        verdicts.append(ok)

        hang_ok = (not self.missed_hits and not self.stalls and self.window_silent == 0 and self.hits > 0
                   and not self.errors and self.k.alive())
        log(f"  no hang: longest stand-still of the word {self.max_stall:.2f} s (limit {STALL_LIMIT} s"
            f"{', stalls beginning at (s) ' + str(self.stalls) if self.stalls else ''}); {self.hits} of "
            f"{self.hits + len(self.missed_hits)} typed words hit; canvas on screen in "
            f"{self.window_checks - self.window_silent} of {self.window_checks} checks; reopens took "
            f"{max(self.reload_times) if self.reload_times else 0:.2f} s at most; process "
            f"{'alive' if self.k.alive() else 'gone'}  {'PASS' if hang_ok else 'FAIL'}")
        if self.missed_hits:
            log(f"    missed hits (s, word): {self.missed_hits}")
        for e in self.errors:
            log(f"    {e}")
        if self.word_mismatches:
            log(f"    {self.word_mismatches} words differed between kestran-list and the program's table")
        verdicts.append(hang_ok)

        if self.steady and (self.after_hit or self.after_reload):
            steady = statistics.median(self.steady)
            events = self.after_hit + self.after_reload
            worst = max(events, key=lambda v: abs(v - steady))
            backlog_ok = abs(worst - steady) / steady <= SPEED_TOLERANCE and max(self.bursts) <= BURST_LIMIT
            log(f"  no tick backlog: steady {steady:.1f} px/s (nominal {1000 / TICK_MS:.0f}); right after hits "
                f"{statistics.median(self.after_hit) if self.after_hit else 0:.1f} px/s median "
                f"({len(self.after_hit)}), after reopens "
                f"{statistics.median(self.after_reload) if self.after_reload else 0:.1f} px/s median "
                f"({len(self.after_reload)}), furthest {worst:.1f} px/s; most pixels in "
                f"{BURST_WINDOW * 1000:.0f} ms {max(self.bursts)} (limit {BURST_LIMIT})  "
                f"{'PASS' if backlog_ok else 'FAIL'}")
        else:
            backlog_ok = False
            log("  no tick backlog: too few speed measurements  FAIL")
        verdicts.append(backlog_ok)
        if self.cpu:
            log(f"  (CPU of the process: {statistics.mean(self.cpu):.2f}% of a core on average, "
                f"{max(self.cpu):.2f}% in the busiest 10 s)")
        log(f"soak {'PASS' if all(verdicts) else 'FAIL'}")
        return all(verdicts)


def main():
    work = tempfile.mkdtemp(prefix="kestran-soak-")
    home = os.path.join(work, "home")
    shutil.copytree(os.path.join(SOURCE, "RES"), os.path.join(home, "RES"))
    screen = kd.VirtualScreen(extra_env=dict(SDL_AUDIODRIVER="dummy"))
    x = k = None
    try:
        screen.wait_ready()
        x = kd.XClient(screen.display)
        k = kd.Kestran(KESTRAN, screen, home, kd.StateLayout(KESTRAN))
        k.start()
        k.wait_window()
        time.sleep(1.0)
        k.open_list(LISTS[0])
        kd.wait_for("the first list", lambda: k.field("listLoaded") == 1)
        k.drag_slider(100)
        k.click(kd.ORDER_BUTTON)
        if k.state("randomOrder")["randomOrder"] != 1:
            raise kd.DriverError("the order button did not switch to random order")
        k.click(kd.ANSWER_BOX)
        log(f"soak of {DURATION:.0f} s: fastest speed, random order, a hit every third word, "
            f"a reopen every {RELOAD_EVERY:.0f} s ({', '.join(os.path.basename(p) for p in LISTS)} in turn)")
        soak = Soak(k, x)
        soak.run()
        return 0 if soak.summary() else 1
    finally:
        if k:
            k.stop()
        if x:
            x.close()
        screen.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    try:
        sys.exit(main())
    except kd.DriverError as e:
        log(f"soak stopped: {e}")
        sys.exit(2)

#!/usr/bin/env python3
"""学习报告 in the real window: after a test of 10 entries (3 wrong), F12
writes the report into the data folder and hands it to the desktop's opener
(a stand-in xdg-open on PATH that notes what it was given); the page marks
today with the 10 answers and lists the 3 missed words. When the opener
finds no program, a box names the page. The drill keeps running meanwhile.
Then `kestran --report` with no display at all writes the page and prints
its path.

usage: e2e_report.py KESTRAN SOURCE_DIR
"""

import os
import re
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no cache folder in the source tree
from kestran_driver import (ANSWER_BOX, MODE_BUTTON, DriverError, Kestran, VirtualScreen, log,  # noqa: E402
                            record_rows, run_scenario, stand_in_opener, wait_for, write_list)

KESTRAN, SOURCE = sys.argv[1:3]
WORK = tempfile.mkdtemp(prefix="kestran-e2e-report-")
BIN = os.path.join(WORK, "bin")
OPENED = os.path.join(WORK, "opened")
screen = VirtualScreen(extra_env=dict(SDL_AUDIODRIVER="dummy", PATH=BIN + ":" + os.environ["PATH"]))
kestran = Kestran(KESTRAN, screen, os.path.join(WORK, "home"))
PAGE = os.path.join(screen.data_home, "kestran", "\u5b66\u4e60\u62a5\u544a.html")  # 学习报告.html
ENTRIES = [(f"word{i}", f"\u8bcd{i}") for i in range(10)]  # word<i> 词<i>
WRONG = {1, 4, 8}


def boxes():
    """Top-level windows titled 学习报告 (the notice box)."""
    out = screen.xdo("search", "--name", "\u5b66\u4e60\u62a5\u544a")
    return [w for w in out.split() if w]


def main():
    words = os.path.join(WORK, "words.txt")
    write_list(words, ENTRIES)
    kestran.prepare(SOURCE)
    kestran.launch()

    log("a test of 10 entries, 3 of them wrong")
    kestran.open_list(words)
    wait_for("the list", lambda: kestran.state("listLoaded", "wordCount") == {"listLoaded": 1, "wordCount": 10})
    kestran.click(MODE_BUTTON)
    kestran.click(ANSWER_BOX)
    kestran.answer_test(WRONG)
    kestran.key("space")
    wait_for("the record", lambda: record_rows(screen, "SELECT COUNT(*) FROM events") == [(10,)], timeout=20)

    log("F12: the page is written and handed to the desktop")
    stand_in_opener(BIN, OPENED, 0)
    kestran.key("F12")
    wait_for("the opener", lambda: os.path.exists(OPENED), timeout=20)
    with open(OPENED, encoding="utf-8") as f:
        handed = f.read()
    if handed != PAGE:
        raise DriverError(f"the opener got {handed!r}, not {PAGE!r}")
    with open(PAGE, encoding="utf-8") as f:
        page = f.read()
    if "<script" in page or "\u5b66\u4e60\u62a5\u544a" not in page:
        raise DriverError("the page is not the report")
    # Today's cell of the calendar holds the 10 answers.
    calendar = page[page.find('data-chart="calendar"'):page.find("</section>", page.find('data-chart="calendar"'))]
    marks = re.findall(r'class="mark" data-key="(\d+)" data-value="(\d+)"', calendar)
    if len(marks) != 1 or marks[0][1] != "10":
        raise DriverError(f"the calendar's marks: {marks}")
    missed = page[page.find('data-chart="missed"'):]
    for i in WRONG:
        if f"<td>word{i}</td>" not in missed:
            raise DriverError(f"word{i} is not among the words missed")
    if boxes():
        raise DriverError("a box was shown although the page was opened")

    log("F12 with no program for the page: a box names it; the drill keeps running")
    os.remove(PAGE)
    stand_in_opener(BIN, OPENED, 3)
    kestran.key("F12")
    wait_for("the box", lambda: boxes(), timeout=20)
    if not os.path.exists(PAGE) or not kestran.alive():
        raise DriverError("no page, or the program ended")
    kestran.key("Return")
    wait_for("the box to close", lambda: not boxes(), timeout=10)
    kestran.stop()

    log("kestran --report without a display")
    env = {k: v for k, v in screen.env.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    os.remove(PAGE)
    result = subprocess.run([KESTRAN, "--report"], env=env, capture_output=True, text=True, timeout=60)
    if result.returncode != 0 or result.stdout != PAGE + "\n" or not os.path.exists(PAGE):
        raise DriverError(f"--report: exit {result.returncode}, printed {result.stdout!r}, {result.stderr!r}")


if __name__ == "__main__":
    sys.exit(run_scenario(main, WORK, screen, kestran))

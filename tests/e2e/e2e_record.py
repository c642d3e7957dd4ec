#!/usr/bin/env python3
"""The study record and 今日复习 in the real window: a test of a word book's
chapter goes into the record, every answer; the program is killed (-9) and
started again with its clock a day on: 今日复习 (F11) lists exactly the
entries due (the ones answered wrong: FSRS-6 gives Again 0.212 days of
stability, Good 2.31) and drills them as a test. Killed again after two of
its three answers, the record keeps both and 今日复习 lists the one left;
its answers are recorded as the day's reviews. `kestran --export` then
writes them all as CSV.

usage: e2e_record.py KESTRAN SOURCE_DIR
"""

import csv
import os
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no cache folder in the source tree
from kestran_driver import (ANSWER_BOX, MODE_BUTTON, Kestran, VirtualScreen, expect, log, record_rows,  # noqa: E402
                            run_scenario, wait_for, write_list)

KESTRAN, SOURCE = sys.argv[1:3]
WORK = tempfile.mkdtemp(prefix="kestran-e2e-record-")
screen = VirtualScreen(extra_env=dict(SDL_AUDIODRIVER="dummy"))
kestran = Kestran(KESTRAN, screen, os.path.join(WORK, "home"))
ENTRIES = [(f"word{i}", f"\u8bcd{i}") for i in range(10)]  # word<i> 词<i>
WRONG = {1, 4, 8}


def query(sql):
    return record_rows(screen, sql)


def restart():
    """Killed (-9) and started again."""
    kestran.stop()
    kestran.launch()
    kestran.click(ANSWER_BOX)


def main():
    chapter = os.path.join(WORK, "cet4", "cet4-001.txt")  # a word book's chapter 1
    write_list(chapter, ENTRIES)
    kestran.prepare(SOURCE)
    kestran.launch()

    log("a test of the chapter, 3 answers wrong: the record holds every answer")
    kestran.open_list(chapter)
    wait_for("the list", lambda: kestran.state("listLoaded", "wordCount") == {"listLoaded": 1, "wordCount": 10})
    kestran.click(MODE_BUTTON)
    kestran.click(ANSWER_BOX)
    kestran.answer_test(WRONG)
    wait_for("the test in the record", lambda: len(query("SELECT * FROM tests")) == 1)
    events = query("SELECT kind, word, right, ms > 0, review, grade, book, chapter FROM events ORDER BY id")
    expect("the answers", events,
           [("test", w, int(i not in WRONG), 1, 1, 1 if i in WRONG else 3, "cet4", 1) for i, (w, _) in enumerate(ENTRIES)])
    expect("the test", query("SELECT score, right, wrong FROM tests"), [(70, 7, 3)])

    log("killed (-9) and started a day later: 今日复习 (F11) drills exactly the 3 due, as a test")
    screen.env["KESTRAN_TEST_CLOCK_OFFSET_HOURS"] = "24"
    restart()
    kestran.key("F11")
    wait_for("the review list", lambda: kestran.state("listLoaded", "wordCount", "testMode") ==
             {"listLoaded": 1, "wordCount": 3, "testMode": 1})
    expect("the review", sorted(kestran.reader.word(i).decode() for i in range(3)),
           sorted(ENTRIES[i][0] for i in WRONG))
    kestran.click(ANSWER_BOX)
    first_two = []
    for _ in range(2):
        index = kestran.state("testIndex")["testIndex"]
        first_two.append(kestran.reader.word(index).decode())
        kestran.type_text(first_two[-1])
        kestran.key("Return")
    wait_for("two reviews in the record", lambda: len(query("SELECT * FROM events")) == 12)

    log("killed (-9) in the middle of 今日复习: both answers are kept, and 今日复习 now lists the one left")
    restart()
    kestran.key("F11")
    wait_for("the rest of the review", lambda: kestran.state("listLoaded", "wordCount", "testMode") ==
             {"listLoaded": 1, "wordCount": 1, "testMode": 1})
    left = kestran.reader.word(0).decode()
    expect("the entry left", sorted(first_two + [left]), sorted(ENTRIES[i][0] for i in WRONG))
    kestran.click(ANSWER_BOX)
    kestran.answer_test()
    wait_for("the reviews in the record", lambda: len(query("SELECT * FROM events")) == 13)
    reviews = query("SELECT word, right, review, grade, day - (SELECT min(day) FROM events) FROM events WHERE id > 10")
    expect("the reviews", sorted(reviews), sorted((ENTRIES[i][0], 1, 1, 3, 1) for i in WRONG))
    kestran.stop()

    log("kestran --export writes the 13 events as CSV")
    out = os.path.join(WORK, "record.csv")
    done = subprocess.run([KESTRAN, "--export", out], env=screen.env, capture_output=True, timeout=30)
    expect("the export's exit code", done.returncode, 0)
    with open(out, encoding="utf-8-sig", newline="") as f:
        rows = list(csv.DictReader(f))
    expect("the exported events", len(rows), 13)
    expect("an exported meaning", rows[0]["meaning"], ENTRIES[0][1])


if __name__ == "__main__":
    sys.exit(run_scenario(main, WORK, screen, kestran))

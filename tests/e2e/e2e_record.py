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
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no cache folder in the source tree
from kestran_driver import (ANSWER_BOX, MODE_BUTTON, DriverError, Kestran, StateLayout, VirtualScreen,  # noqa: E402
                            wait_for)

KESTRAN, SOURCE = sys.argv[1:3]
WORK = tempfile.mkdtemp(prefix="kestran-e2e-record-")
screen = VirtualScreen(extra_env=dict(SDL_AUDIODRIVER="dummy"))
kestran = Kestran(KESTRAN, screen, os.path.join(WORK, "home"))
RECORD = os.path.join(screen.data_home, "kestran", "\u5b66\u4e60\u8bb0\u5f55.db")  # 学习记录.db
ENTRIES = [(f"word{i}", f"\u8bcd{i}") for i in range(10)]  # word<i> 词<i>
WRONG = {1, 4, 8}


def log(text):
    print(text, flush=True)


def expect(what, actual, wanted):
    if actual != wanted:
        raise DriverError(f"{what}: {actual} instead of {wanted}")


def query(sql):
    if not os.path.exists(RECORD):
        return []
    with sqlite3.connect(f"file:{RECORD}?mode=ro", uri=True, timeout=10) as db:
        return db.execute(sql).fetchall()


def answer_test(wrong):
    """Answers every question of a file-order test; the positions in `wrong` get a wrong word."""
    count = kestran.state("wordCount")["wordCount"]
    for i in range(count):
        index = kestran.state("testIndex")["testIndex"]
        kestran.type_text("nope" if i in wrong else kestran.reader.word(index).decode())
        kestran.key("Return")
    wait_for("the result", lambda: kestran.state("testFinished")["testFinished"] == 1)


def main():
    shutil.copytree(os.path.join(SOURCE, "RES"), os.path.join(kestran.home, "RES"))
    chapter = os.path.join(WORK, "cet4", "cet4-001.txt")  # a word book's chapter 1
    os.makedirs(os.path.dirname(chapter))
    with open(chapter, "wb") as f:
        f.write("".join(f"{w} {m}\r\n" for w, m in ENTRIES).encode("gbk"))
    screen.wait_ready()
    kestran.layout = StateLayout(KESTRAN)
    kestran.start()
    kestran.wait_window()
    time.sleep(1.0)

    log("a test of the chapter, 3 answers wrong: the record holds every answer")
    kestran.open_list(chapter)
    wait_for("the list", lambda: kestran.state("listLoaded", "wordCount") == {"listLoaded": 1, "wordCount": 10})
    kestran.click(MODE_BUTTON)
    kestran.click(ANSWER_BOX)
    answer_test(WRONG)
    wait_for("the test in the record", lambda: len(query("SELECT * FROM tests")) == 1)
    events = query("SELECT kind, word, right, ms > 0, review, grade, book, chapter FROM events ORDER BY id")
    expect("the answers", events,
           [("test", w, int(i not in WRONG), 1, 1, 1 if i in WRONG else 3, "cet4", 1) for i, (w, _) in enumerate(ENTRIES)])
    expect("the test", query("SELECT score, right, wrong FROM tests"), [(70, 7, 3)])

    log("killed (-9) and started a day later: 今日复习 (F11) drills exactly the 3 due, as a test")
    kestran.stop()
    screen.env["KESTRAN_TEST_CLOCK_OFFSET_HOURS"] = "24"
    kestran.start()
    kestran.wait_window()
    time.sleep(1.0)
    kestran.click(ANSWER_BOX)
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
    kestran.stop()
    kestran.start()
    kestran.wait_window()
    time.sleep(1.0)
    kestran.click(ANSWER_BOX)
    kestran.key("F11")
    wait_for("the rest of the review", lambda: kestran.state("listLoaded", "wordCount", "testMode") ==
             {"listLoaded": 1, "wordCount": 1, "testMode": 1})
    left = kestran.reader.word(0).decode()
    expect("the entry left", sorted(first_two + [left]), sorted(ENTRIES[i][0] for i in WRONG))
    kestran.click(ANSWER_BOX)
    answer_test(set())
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
    log("PASSED")


if __name__ == "__main__":
    status = 1
    try:
        main()
        status = 0
    except DriverError as e:
        log(f"FAILED: {e}; files in {WORK}")
    finally:
        kestran.stop()
        screen.close()
        if status == 0 and not os.environ.get("KESTRAN_E2E_KEEP"):
            shutil.rmtree(WORK, ignore_errors=True)
    sys.exit(status)

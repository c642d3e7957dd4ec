#!/usr/bin/env python3
"""今日复习 in the Windows program under Wine: a test of 四级's chapter 1
with three answers wrong, the program in a folder whose name GBK cannot hold
(the chapter is still known as the chapter, to the progress file and the
record); the program ended and started again with its clock
a day on (KESTRAN_TEST_CLOCK_OFFSET_HOURS, read with getenv); F11 then drills
exactly the three answered wrong as a test, loaded from 今日复习.txt in
%APPDATA%\\KESTRAN; and the record (学习记录.db) holds every answer.

A prefix of its own: the Windows stage's shared one holds the other drivers'
wrong answers, which a day later are due too.

usage: e2e_wine_review.py KESTRAN_E2E_WIN_EXE SOURCE_DIR
"""

import glob
import os
import sqlite3
import sys
import time

sys.dont_write_bytecode = True  # no cache folder in the source tree
from e2e_wine import MODE_BUTTON, SOURCE, WORK, Program  # noqa: E402
from e2e_wine_wordbooks import BOOK, choose, list_is, progress  # noqa: E402
from shipped_books import book_position, chapter_words  # noqa: E402
from wine_driver import PREFIX_OWN, Failed, log, run, wait_for, xdo  # noqa: E402

WRONG = {2, 9, 17}  # positions in the test
HANGUL = "\ud55c\uae00"  # 한글
REVIEW = "\\KESTRAN\\\u4eca\u65e5\u590d\u4e60.txt"  # \KESTRAN\今日复习.txt


def record(sql):
    """Rows of the record in the prefix's %APPDATA%\\KESTRAN, read once the program has ended."""
    found = glob.glob(os.path.join(os.environ["WINEPREFIX"], "drive_c", "users", "*", "AppData", "Roaming",
                                   "KESTRAN", "\u5b66\u4e60\u8bb0\u5f55.db"))  # 学习记录.db
    if len(found) != 1:
        raise Failed(f"{len(found)} record files in the prefix")
    with sqlite3.connect(f"file:{found[0]}?mode=ro", uri=True) as db:
        return db.execute(sql).fetchall()


def steps():
    started = time.monotonic()
    with Program("zh_CN.UTF-8", name=HANGUL, books=[BOOK]) as program:
        log("step: in a folder named 한글, F7, 四级, 第1-20章, 第1章; its test with 3 wrong: 90 in the progress")
        program.start()
        program.click_answer_box()
        xdo("key", "F7")
        choose(program, book_position(SOURCE, BOOK) + 1)
        choose(program, 2)
        choose(program, 1)
        list_is(program, chapter_words(SOURCE, BOOK, 1))
        program.click(MODE_BUTTON)
        wait_for("test mode", lambda: program.state()["testMode"] == 1)
        asked = program.answer_test(WRONG)
        if f"{BOOK}\t1\t90\n" not in progress(program):
            raise Failed(f"the progress file holds {progress(program)!r}")
        program.quit()
    wrong = sorted(asked[n] for n in WRONG)

    log("step: started a day later, F11 drills exactly those 3 as a test")
    with Program("zh_CN.UTF-8", name="a-day-later", env={"KESTRAN_TEST_CLOCK_OFFSET_HOURS": "24"}) as program:
        program.start()
        program.click_answer_box()
        xdo("key", "F11")
        wait_for("the review", lambda: (lambda s: s["listLoaded"] and s["testMode"] and s["wordCount"])(
            program.state()))
        reviewed = program.answer_test()
        if sorted(reviewed) != wrong:
            raise Failed(f"今日复习 drilled {reviewed}, answered wrong were {wrong}")
        program.quit()

    log("step: the record holds every answer; the review's a day later, from 今日复习.txt")
    rows = record("SELECT kind, word, right, review, day - (SELECT min(day) FROM events), book, chapter, list "
                  "FROM events ORDER BY id")
    want = ([("test", w, int(n not in WRONG), 1, 0, BOOK, 1) for n, w in enumerate(asked)] +
            [("test", w, 1, 1, 1, None, None) for w in reviewed])
    if [row[:7] for row in rows] != want or not all(row[7].endswith(REVIEW) for row in rows[len(asked):]):
        raise Failed(f"the record holds {rows}")
    log(f"all steps passed in {time.monotonic() - started:.0f} s")


if __name__ == "__main__":
    sys.exit(run(WORK, steps, prefix=PREFIX_OWN))

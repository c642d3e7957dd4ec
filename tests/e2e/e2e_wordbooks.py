#!/usr/bin/env python3
"""The word books in the real window, driven as a learner would: F7 shows the
books, 四级 its groups of chapters, and chapter 1 opens as the list; a typed
word hits; a test of the chapter with every answer right makes it 学过 with
100 in the progress file; F7's 继续学习 then opens chapter 2; and after a
restart 继续学习 still opens chapter 2, so chapter 1 is known as 学过.

usage: e2e_wordbooks.py KESTRAN SOURCE_DIR
"""

import os
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no cache folder in the source tree
sys.path.append(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "wordbooks"))
from shipped_books import book_position, chapter_words, library  # noqa: E402
from kestran_driver import (ANSWER_BOX, MODE_BUTTON, DriverError, Kestran, Screenshot, VirtualScreen, log,  # noqa: E402
                            run_scenario, wait_for)

KESTRAN, SOURCE = sys.argv[1:3]
WORK = tempfile.mkdtemp(prefix="kestran-e2e-books-")
BOOK = "\u56db\u7ea7"  # 四级
screen = VirtualScreen(extra_env=dict(SDL_AUDIODRIVER="dummy"))
kestran = Kestran(KESTRAN, screen, os.path.join(WORK, "home"))
PROGRESS = os.path.join(screen.data_home, "kestran", "\u8bcd\u5e93\u8fdb\u5ea6.txt")  # 词库进度.txt


def choose(downs, shot=None):
    """In the popup menu just opened: Down `downs` times, then Enter."""
    time.sleep(0.8)
    if shot:
        Screenshot(screen, os.path.join(WORK, shot))
    for _ in range(downs):
        kestran.key("Down")
    kestran.key("Return")


def list_is(words):
    n = len(words)
    wait_for("the chapter as the list", lambda: kestran.state("listLoaded", "wordCount") ==
             {"listLoaded": 1, "wordCount": n})
    seen = [kestran.reader.word(i).decode() for i in range(n)]
    if seen != words:
        raise DriverError(f"the list holds {seen[:3]}... instead of {words[:3]}...")


def progress():
    if not os.path.exists(PROGRESS):
        return ""
    with open(PROGRESS, encoding="utf-8") as f:
        return f.read()


def start():
    kestran.launch()
    kestran.click(ANSWER_BOX)


def main():
    # The books where ./run.sh finds them: lists/词库 in the working folder.
    os.makedirs(os.path.join(kestran.home, "lists"))
    os.symlink(library(SOURCE), os.path.join(kestran.home, "lists", "\u8bcd\u5e93"))
    first, second = chapter_words(SOURCE, BOOK, 1), chapter_words(SOURCE, BOOK, 2)
    kestran.prepare(SOURCE)
    start()

    log("F7: the books; 四级: its groups; 第1-20章: its chapters; 第1章 is the list")
    kestran.key("F7")
    choose(book_position(SOURCE, BOOK) + 1, "books.png")
    choose(2, "groups.png")  # 继续学习, then the first group
    choose(1, "chapters.png")
    list_is(first)

    log("a typed word hits")
    kestran.type_text(first[0])
    wait_for("the hit", lambda: kestran.state("practiceIndex")["practiceIndex"] == 1, timeout=5)

    log("a test of the chapter with every answer right makes it 学过 with 100")
    kestran.click(MODE_BUTTON)
    kestran.click(ANSWER_BOX)
    kestran.answer_test()
    wait_for("the score", lambda: kestran.state("testScore")["testScore"] == 100)
    wait_for("the progress file", lambda: f"{BOOK}\t1\t100\n" in progress())
    kestran.key("space")

    log("F7's 继续学习 opens chapter 2")
    kestran.key("F7")
    choose(1, "continue.png")
    list_is(second)

    log("after a restart, 继续学习 still opens chapter 2: chapter 1 is 学过")
    kestran.stop()
    start()
    kestran.key("F7")
    choose(book_position(SOURCE, BOOK) + 2)  # 继续学习 stands above the books
    choose(2)
    time.sleep(0.8)
    Screenshot(screen, os.path.join(WORK, "restarted-chapters.png"))  # 第1章 学过 · 最高 100分
    kestran.key("Escape")
    time.sleep(0.3)
    kestran.key("F7")
    choose(1)
    list_is(second)


if __name__ == "__main__":
    sys.exit(run_scenario(main, WORK, screen, kestran))

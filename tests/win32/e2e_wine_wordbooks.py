#!/usr/bin/env python3
"""The word books in the Windows program under Wine, driven through the X
server as a user would, through the system's popup menus: F7 shows the books,
四级 its groups of chapters, and chapter 1 opens as the list; a typed word
hits; a test of the chapter with every answer right makes it 学过 with 100 in
the progress file; F7's 继续学习 then opens chapter 2; and after a restart
继续学习 still opens chapter 2, so chapter 1 is known as 学过.

usage: e2e_wine_wordbooks.py KESTRAN_E2E_WIN_EXE SOURCE_DIR
"""

import os
import sys
import time

sys.dont_write_bytecode = True  # no cache folder in the source tree
sys.path.append(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "wordbooks"))
from shipped_books import book_position, chapter_words  # noqa: E402
from e2e_wine import MODE_BUTTON, SOURCE, WORK, Program  # noqa: E402
from wine_driver import Failed, log, run, wait_for, xdo  # noqa: E402

BOOK = "\u56db\u7ea7"  # 四级


def choose(program, downs):
    """In the popup menu that opens now: Down `downs` times, then Enter."""
    wait_for("the popup menu", lambda: program.state()["windows"] >= 2)
    time.sleep(0.3)
    for _ in range(downs):
        xdo("key", "Down")
    xdo("key", "Return")
    time.sleep(0.5)  # the next step's menu may follow at once


def list_is(program, words):
    wait_for("the chapter as the list",
             lambda: (lambda s: s["listLoaded"] == 1 and s["wordCount"] == len(words))(program.state()))
    first = bytes.fromhex(program.state()["practiceWord"]).decode("ascii")
    if first != words[0]:
        raise Failed(f"the list starts with {first} instead of {words[0]}")


def progress(program):
    return bytes.fromhex(program.ask("progress")["bytes"]).decode("utf-8")


def continue_learning(program, words):
    """F7's 继续学习 opens the chapter of `words`."""
    xdo("key", "F7")
    choose(program, 1)
    list_is(program, words)


def steps():
    first, second = chapter_words(SOURCE, BOOK, 1), chapter_words(SOURCE, BOOK, 2)
    with Program("zh_CN.UTF-8", books=[BOOK]) as program:
        program.start()
        program.click_answer_box()
        log("step: F7, 四级, 第1-20章, 第1章: chapter 1 is the list")
        xdo("key", "F7")
        choose(program, book_position(SOURCE, BOOK) + 1)
        choose(program, 2)  # 继续学习, then the first group
        choose(program, 1)
        list_is(program, first)

        log("step: a typed word hits")
        program.click_answer_box()
        xdo("type", "--delay", 15, first[0])
        wait_for("the hit", lambda: program.state()["practiceIndex"] == 1, timeout=10)

        log("step: a test of the chapter with every answer right makes it 学过 with 100")
        program.click(MODE_BUTTON)
        wait_for("test mode", lambda: program.state()["testMode"] == 1)
        program.answer_test()
        wait_for("the score", lambda: program.state()["testScore"] == 100)
        if f"{BOOK}\t1\t100\n" not in progress(program):
            raise Failed(f"the progress file holds {progress(program)!r}")
        xdo("key", "space")

        log("step: F7's 继续学习 opens chapter 2")
        continue_learning(program, second)
        program.quit()

    log("step: after a restart, 继续学习 still opens chapter 2")
    with Program("zh_CN.UTF-8", name="restarted", books=[BOOK]) as program:
        program.start()
        program.click_answer_box()
        continue_learning(program, second)
        program.quit()
    log("all steps passed")


if __name__ == "__main__":
    sys.exit(run(WORK, steps))

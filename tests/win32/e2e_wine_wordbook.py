#!/usr/bin/env python3
"""The wrong-word book in the Windows program under Wine, driven through the
X server as a user would: a test's wrong answers go into the book; after the
result a right-click on the canvas opens the system's popup menu, whose
练习本轮错词 drills exactly them; practice words that cross untyped go in,
repeats do not; F3 opens the book and a test of it with every answer right
empties it. The book file is read back through the observer after each step.

usage: e2e_wine_wordbook.py KESTRAN_E2E_WIN_EXE SOURCE_DIR
"""

import os
import sys

sys.dont_write_bytecode = True  # no cache folder in the source tree
from e2e_wine import MODE_BUTTON, WORK, Program, drag_slider  # noqa: E402
from wine_driver import Failed, log, run, wait_for, xdo  # noqa: E402

ENTRIES = [(f"w{i}", f"\u8bcd{i}") for i in range(6)]  # w<i> 词<i>
OLD = ("old", "\u65e7")  # 旧: in the book from an earlier day


def book(program, seed=None):
    answer = program.ask("book", seed.encode("gbk").hex()) if seed else program.ask("book")
    text = bytes.fromhex(answer["bytes"]).decode("gbk")
    return [tuple(line.split(" ", 1)) for line in text.split("\r\n") if line]


def expect(what, actual, wanted):
    if actual != wanted:
        raise Failed(f"{what}: {actual} instead of {wanted}")


def answer_test(program, wrong):
    count = program.state()["wordCount"]
    program.click_answer_box()
    for n in range(count):
        s = program.state()
        xdo("type", "--delay", 15, "nope" if n in wrong else bytes.fromhex(s["testWord"]).decode("ascii"))
        xdo("key", "Return")
        wait_for("the answer to count", lambda: (lambda t: t["correctCount"] + t["wrongCount"] == n + 1
                                                 or t["testFinished"])(program.state()))
    wait_for("the result", lambda: program.state()["testFinished"] == 1)


def steps():
    words = os.path.join(WORK, "words.txt")
    with open(words, "wb") as f:
        f.write("".join(f"{w} {m}\r\n" for w, m in ENTRIES).encode("gbk"))
    program = Program("zh_CN.UTF-8")
    try:
        program.start()
        expect("the seeded book", book(program, f"{OLD[0]} {OLD[1]}\r\n"), [OLD])

        log("step: a test with 2 wrong answers puts those 2 into the book")
        program.open_list(words)
        program.click(MODE_BUTTON)
        wait_for("test mode", lambda: program.state()["testMode"] == 1)
        answer_test(program, {1, 4})
        expect("the book", book(program), [OLD, ENTRIES[1], ENTRIES[4]])
        xdo("key", "space")

        log("step: a right-click on the canvas opens the menu; 练习本轮错词 drills the 2")
        left, top, width, height = program.layout["canvas"]
        x, y = program.layout["origin"]
        xdo("mousemove", x + left + width // 2, y + top + height // 2)
        xdo("click", 3)
        wait_for("the popup menu", lambda: program.state()["windows"] >= 2)
        xdo("key", "Down")
        xdo("key", "Return")
        wait_for("the round's list", lambda: program.state()["wordCount"] == 2)

        log("step: practice words that cross untyped go in once")
        program.click(MODE_BUTTON)
        wait_for("practice mode", lambda: program.state()["testMode"] == 0)
        drag_slider(program, "right end", 100)
        wait_for("w1 to cross", lambda: program.state()["practiceIndex"] == 1, timeout=20)
        expect("the book after a repeat", len(book(program)), 3)
        program.open_list(words)
        wait_for("two words to cross", lambda: program.state()["practiceIndex"] == 2, timeout=30)
        expect("the book", book(program), [OLD, ENTRIES[1], ENTRIES[4], ENTRIES[0]])  # w0 new, w1 a repeat

        log("step: F3 opens the book; a test of it with every answer right empties it")
        program.click_answer_box()
        xdo("key", "F3")
        wait_for("the book as the list", lambda: program.state()["wordCount"] == 4)
        program.click(MODE_BUTTON)
        wait_for("test mode", lambda: program.state()["testMode"] == 1)
        answer_test(program, set())
        expect("the book", book(program), [])
        program.quit()
    finally:
        program.kill()
    log("all steps passed")


if __name__ == "__main__":
    sys.exit(run(WORK, steps))

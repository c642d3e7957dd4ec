#!/usr/bin/env python3
"""The wrong-word book in the real window, driven as a learner would: a test
with 3 wrong answers puts those 3 into the book; the right-click menu's
练习本轮错词 drills exactly them; practice words that cross untyped go in,
repeats do not, and only while the learner types (untouched practice adds
nothing); F3 opens the book, and a test of it with every answer right
empties it. The book file is read after each step. The data folder is under
a folder named 한글/用户, which GBK cannot name: 朗读单词 (F5) is kept in
设置.txt there across a restart, and 打开数据文件夹 (F9) hands that folder to
xdg-open (a stand-in that notes what it was given). A request to terminate
right after a miss ends the program normally with the miss in the book.

usage: e2e_wordbook.py KESTRAN SOURCE_DIR
"""

import os
import signal
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no cache folder in the source tree
from kestran_driver import (ANSWER_BOX, CANVAS, MODE_BUTTON, Kestran, Screenshot, VirtualScreen, expect, log,
                            run_scenario, stand_in_opener, wait_for, write_list)  # noqa: E402

KESTRAN, SOURCE = sys.argv[1:3]
WORK = tempfile.mkdtemp(prefix="kestran-e2e-book-")
DATA_HOME = os.path.join(WORK, "\ud55c\uae00", "\u7528\u6237")  # 한글/用户
BIN = os.path.join(WORK, "bin")
OPENED = os.path.join(WORK, "opened")
screen = VirtualScreen(extra_env=dict(SDL_AUDIODRIVER="dummy", XDG_DATA_HOME=DATA_HOME,
                                      PATH=BIN + os.pathsep + os.environ.get("PATH", "")))
kestran = Kestran(KESTRAN, screen, os.path.join(WORK, "home"))
DATA = os.path.join(DATA_HOME, "kestran")
BOOK = os.path.join(DATA, "\u9519\u9898\u672c.txt")  # 错题本.txt
SETTINGS = os.path.join(DATA, "\u8bbe\u7f6e.txt")  # 设置.txt
ENTRIES = [(f"w{i}", f"\u8bcd{i}") for i in range(10)]  # w<i> 词<i>
OLD = ("old", "\u65e7")  # 旧: in the book from an earlier day


def book():
    """The book's entries as a learner's editor shows them."""
    if not os.path.exists(BOOK):
        return []
    with open(BOOK, "rb") as f:
        text = f.read().decode("gbk")
    return [tuple(line.split(" ", 1)) for line in text.split("\r\n") if line]


def speak_words_setting():
    if not os.path.exists(SETTINGS):
        return []
    with open(SETTINGS, "rb") as f:
        return [line for line in f.read().decode("gbk").splitlines() if line.startswith("speech.speakWords=")]


def cross_typing(index, timeout=15):
    """A wrong letter in the box, then the word crosses: the learner is there and missed it."""
    kestran.type_text("q")
    wait_for(f"word {index} to come", lambda: kestran.state("practiceIndex")["practiceIndex"] == index,
             timeout=timeout)


def main():
    stand_in_opener(BIN, OPENED)
    words = os.path.join(WORK, "words.txt")
    write_list(words, ENTRIES)
    write_list(BOOK, [OLD])
    kestran.prepare(SOURCE)
    kestran.launch()

    log("a test of 10 entries with 3 wrong answers puts those 3 into the book")
    kestran.open_list(words)
    wait_for("the list", lambda: kestran.state("listLoaded", "wordCount") == {"listLoaded": 1, "wordCount": 10})
    kestran.click(MODE_BUTTON)
    kestran.click(ANSWER_BOX)
    kestran.answer_test({2, 5, 7})
    wait_for("the book", lambda: len(book()) == 4)
    expect("the book", book(), [OLD, ENTRIES[2], ENTRIES[5], ENTRIES[7]])
    kestran.key("space")

    log("after the result, a right-click on the canvas opens the menu; 练习本轮错词 drills the 3")
    x, y = kestran.screen_of((CANVAS[0] + 200, CANVAS[1] + 40))
    screen.xdo("mousemove", x, y)
    screen.xdo("click", 3)
    time.sleep(0.8)
    Screenshot(screen, os.path.join(WORK, "menu.png"))
    kestran.key("Down")  # the first item, 练习本轮错词 (3)
    kestran.key("Return")
    wait_for("the round's list", lambda: kestran.state("listLoaded", "wordCount") == {"listLoaded": 1, "wordCount": 3})
    expect("the round's list", [kestran.reader.word(i).decode() for i in range(3)], ["w2", "w5", "w7"])

    log("in practice a word of the book that crosses untyped is not added again; two new ones are")
    kestran.click(MODE_BUTTON)
    kestran.drag_slider(100)
    kestran.click(ANSWER_BOX)
    cross_typing(1)
    time.sleep(0.3)
    expect("the book after a repeat", len(book()), 4)
    kestran.open_list(words)
    wait_for("the list", lambda: kestran.state("wordCount")["wordCount"] == 10)
    kestran.click(ANSWER_BOX)
    wait_for("w0 to cross untouched", lambda: kestran.state("practiceIndex")["practiceIndex"] == 1, timeout=15)
    time.sleep(0.3)
    expect("the book after a word crossed untouched", len(book()), 4)
    cross_typing(2)
    cross_typing(3)
    wait_for("the book", lambda: len(book()) == 5)
    expect("the book", book(), [OLD, ENTRIES[2], ENTRIES[5], ENTRIES[7], ENTRIES[1]])

    log("F3 opens the book; a test of it with every answer right empties it")
    kestran.key("F3")
    wait_for("the book as the list", lambda: kestran.state("wordCount")["wordCount"] == 5)
    kestran.click(MODE_BUTTON)
    kestran.click(ANSWER_BOX)
    kestran.answer_test()
    wait_for("the empty book", lambda: book() == [])
    kestran.key("space")

    log("朗读单词 (F5) is kept in the data folder across a restart")
    kestran.key("F5")
    wait_for("设置.txt with 朗读单词 on", lambda: speak_words_setting() == ["speech.speakWords=1"])
    kestran.stop()
    kestran.launch()
    kestran.click(ANSWER_BOX)
    kestran.key("F5")
    wait_for("设置.txt with 朗读单词 off", lambda: speak_words_setting() == ["speech.speakWords=0"])

    log("打开数据文件夹 (F9) opens the data folder")
    kestran.key("F9")
    wait_for("the folder handed to xdg-open", lambda: os.path.exists(OPENED))
    with open(OPENED, "rb") as f:
        expect("the folder opened", f.read().decode("utf-8"), DATA)

    log("a request to terminate right after a miss: a normal end, the miss kept")
    kestran.open_list(words)
    wait_for("the list", lambda: kestran.state("wordCount")["wordCount"] == 10)
    kestran.click(ANSWER_BOX)
    cross_typing(1)
    kestran.process.send_signal(signal.SIGTERM)
    expect("the exit status", kestran.process.wait(timeout=5), 0)
    expect("the book", book(), [ENTRIES[0]])


if __name__ == "__main__":
    sys.exit(run_scenario(main, WORK, screen, kestran))

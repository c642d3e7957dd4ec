#!/usr/bin/env python3
"""The wrong-word book in the Windows program under Wine, driven through the
X server as a user would: a test's wrong answers go into the book; after the
result a right-click on the canvas opens the system's popup menu, whose
练习本轮错词 drills exactly them; practice words that cross untyped go in
while the learner types, repeats do not; F3 opens the book, and after
打开词表 and Cancel (which reads the book again) a test of it takes the
right-answered entries out and F8 the word on the canvas: the book is never
held open against its replacement. The book file is read back through the
observer after each step. The data folder (APPDATA) is under a folder named
한글\用户, which GBK cannot name: 朗读单词 (F5) is kept in 设置.txt there
across a restart, and 打开数据文件夹 (F9) opens that folder; the session
ending right after a miss ends the program normally with the miss kept.

usage: e2e_wine_wordbook.py KESTRAN_E2E_WIN_EXE SOURCE_DIR
"""

import os
import subprocess
import sys

sys.dont_write_bytecode = True  # no cache folder in the source tree
from e2e_wine import MODE_BUTTON, OPEN_BUTTON, WORK, Program, drag_slider  # noqa: E402
from wine_driver import Failed, log, run, wait_for, xdo  # noqa: E402

ENTRIES = [(f"w{i}", f"\u8bcd{i}") for i in range(6)]  # w<i> 词<i>
OLD = ("old", "\u65e7")  # 旧: in the book from an earlier day
APPDATA = os.path.join(WORK, "\ud55c\uae00", "\u7528\u6237")  # 한글/用户
DATA = os.path.join(APPDATA, "KESTRAN")
SETTINGS = os.path.join(DATA, "\u8bbe\u7f6e.txt")  # 设置.txt
BOOK = os.path.join(DATA, "\u9519\u9898\u672c.txt")  # 错题本.txt


VOLATILE = "HKCU\\Volatile Environment"


def appdata(value=None):
    """The APPDATA every program of the prefix gets (as Windows sets it at logon
    from the user's profile folder); sets it when a value is given."""
    if value is not None:
        subprocess.run(["wine", "reg", "add", VOLATILE, "/v", "APPDATA", "/t", "REG_SZ", "/d", value, "/f"],
                       check=True, capture_output=True)
        return value
    found = subprocess.run(["wine", "reg", "query", VOLATILE, "/v", "APPDATA"], capture_output=True, text=True)
    return found.stdout.split("REG_SZ", 1)[1].strip()


def speak_words_setting():
    with open(SETTINGS, "rb") as f:
        lines = f.read().decode("gbk").splitlines()
    return [line for line in lines if line.startswith("speech.speakWords=")]


def windows_named(name):
    found = subprocess.run(["xdotool", "search", "--name", name], capture_output=True, text=True)
    return found.stdout.split()


def book(program, seed=None):
    answer = program.ask("book", seed.encode("gbk").hex()) if seed else program.ask("book")
    text = bytes.fromhex(answer["bytes"]).decode("gbk")
    return [tuple(line.split(" ", 1)) for line in text.split("\r\n") if line]


def expect(what, actual, wanted):
    if actual != wanted:
        raise Failed(f"{what}: {actual} instead of {wanted}")


def cross_typing(program, index):
    """A wrong letter in the box, then the word crosses: the learner is there and missed it."""
    xdo("type", "q")
    wait_for(f"word {index} to come", lambda: program.state()["practiceIndex"] == index, timeout=20)


def steps():
    words = os.path.join(WORK, "words.txt")
    with open(words, "wb") as f:
        f.write("".join(f"{w} {m}\r\n" for w, m in ENTRIES).encode("gbk"))
    os.makedirs(APPDATA)
    # The key is volatile: it lasts as long as the prefix's server, kept
    # running from here on (a server already running stays as it is). The
    # prefix is made first, so that no service it starts holds the pipes of
    # the questions below.
    quiet = dict(stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-p"], check=False, **quiet)
    if not os.path.exists(os.path.join(os.environ["WINEPREFIX"], "system.reg")):
        subprocess.run(["wineboot", "-i"], check=False, **quiet)
    usual = appdata()
    appdata("Z:" + APPDATA.replace("/", "\\"))
    try:
        in_hangul_folder(words)
    finally:
        appdata(usual)
    log("all steps passed")


def in_hangul_folder(words):
    with Program("zh_CN.UTF-8", name="first") as program:
        program.start()
        expect("the seeded book", book(program, f"{OLD[0]} {OLD[1]}\r\n"), [OLD])
        path = bytes.fromhex(program.ask("book")["path"]).decode("utf-8")
        expect("the book's folder", path.rsplit("\\", 1)[0], "Z:" + DATA.replace("/", "\\"))

        log("step: a test with 2 wrong answers puts those 2 into the book")
        program.open_list(words)
        program.click(MODE_BUTTON)
        wait_for("test mode", lambda: program.state()["testMode"] == 1)
        program.answer_test({1, 4})
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
        program.click_answer_box()
        cross_typing(program, 1)
        cross_typing(program, 2)
        expect("the book", book(program), [OLD, ENTRIES[1], ENTRIES[4], ENTRIES[0]])  # w0 new, w1 a repeat

        log("step: F3 opens the book; 打开词表 and Cancel read it again")
        xdo("key", "F3")
        wait_for("the book as the list", lambda: program.state()["wordCount"] == 4)
        program.click(OPEN_BUTTON)
        wait_for("the open-file dialog", lambda: (lambda s: s["windows"] >= 2 and not s["mainActive"])(program.state()))
        xdo("key", "Escape")
        wait_for("the book as the list again", lambda: (lambda s: s["mainActive"] and s["listLoaded"] == 1
                                                        and s["wordCount"] == 4)(program.state()))

        log("step: a test of the book takes the right-answered entries out; F8 the word on the canvas")
        program.click(MODE_BUTTON)
        wait_for("test mode", lambda: program.state()["testMode"] == 1)
        program.answer_test({0})
        expect("the book", book(program), [OLD])
        xdo("key", "space")
        program.click(MODE_BUTTON)
        wait_for("practice mode", lambda: program.state()["testMode"] == 0)
        program.click_answer_box()
        expect("the word on the canvas", program.state()["practiceIndex"], 0)  # OLD
        xdo("key", "F8")
        expect("the book", book(program), [])

        log("step: 朗读单词 (F5) is written into the data folder")
        xdo("key", "F5")
        wait_for("设置.txt with 朗读单词 on", lambda: os.path.exists(SETTINGS) and speak_words_setting() == [
            "speech.speakWords=1"])
        program.quit()

    log("step: after a restart 朗读单词 is on: F5 turns it off")
    with Program("zh_CN.UTF-8", name="second") as program:
        program.start()
        program.click_answer_box()
        xdo("key", "F5")
        wait_for("设置.txt with 朗读单词 off", lambda: speak_words_setting() == ["speech.speakWords=0"])

        log("step: 打开数据文件夹 (F9) shows the data folder")
        before = set(windows_named("KESTRAN"))
        xdo("key", "F9")
        shown = wait_for("a window of the data folder", lambda: set(windows_named("KESTRAN")) - before, timeout=30)
        for window in shown:
            xdo("windowkill", window)

        log("step: the session ends (log-off) right after a miss: a normal end, the miss in the book")
        program.open_list(words)
        drag_slider(program, "right end", 100)
        program.click_answer_box()
        cross_typing(program, 1)
        program.send("endsession")
        try:
            status = program.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            raise Failed("the end of the session did not end the program") from None
        expect("the exit status", status, 0)
        with open(BOOK, "rb") as f:
            expect("the book", f.read().decode("gbk").split("\r\n")[0], f"{ENTRIES[0][0]} {ENTRIES[0][1]}")


if __name__ == "__main__":
    sys.exit(run(WORK, steps))

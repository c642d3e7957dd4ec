#!/usr/bin/env python3
"""End-to-end drill of the Windows program under Wine.

Runs kestran_e2e_win.exe (the program with an observer thread) and drives it
with real X input (xdotool) as a user would; what the canvas shows and what
the drill counted come from the observer. The first run starts from a folder
without RES and must find the one beside the program. Shorter runs on systems
whose code page is not 936 (1252 and 950) must lay the dialog out the same
way and draw the same Chinese texts; one without Direct3D 9 (d3d9.dll
switched off) must draw the same canvas with GDI, visibly on the X screen,
and pace it alike; and the program alone, without RES anywhere, must say so
and still end cleanly.

Needs an X server (DISPLAY), Wine and xdotool; uses WINEPREFIX when set,
otherwise makes a fresh prefix and ends its server afterwards.

usage: e2e_wine.py KESTRAN_E2E_WIN_EXE SOURCE_DIR
"""

import json
import os
import shutil
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no cache folder in the source tree
from wine_driver import Failed, log, run, scratch, wait_for, xdo  # noqa: E402

EXE, SOURCE = map(os.path.abspath, sys.argv[1:3])
WORK = scratch("e2e-wine")

# The dialog as designed (base units 9 x 19), whatever the system's fonts:
# the client area on the screen and its size, the two controls in it.
DESIGNED_ORIGIN, DESIGNED_CLIENT = [225, 238], [601, 276]
DESIGNED_ANSWER_BOX, DESIGNED_SLIDER = [191, 185, 418, 218], [212, 228, 392, 247]
ANSWER_BOX_ID = 1002
NO_ASSETS_TEXT = "找不到图片和声音文件夹 RES。\n请先解压整个压缩包，再运行解压出来的文件夹里的 KESTRAN.exe。"
# Image buttons in client pixels (left, top, width, height).
OPEN_BUTTON = (264, 145, 76, 38)
MODE_BUTTON = (335, 147, 105, 38)
BANDS = [("left end", 0, 48.0), ("right end", 100, 8.0), ("middle", 50, 27.0)]


class Program:
    """The program in a folder of its own. where: "here" starts it in the
    folder that holds RES, "elsewhere" puts it beside RES and starts it from
    an empty folder, "alone" gives it no RES at all. books: the word books
    copied beside it. env: more environment for it."""

    def __init__(self, lang, name=None, dll_overrides=None, where="here", books=(), env=None):
        name = name or lang
        home = os.path.join(WORK, name)
        os.makedirs(home)
        exe, cwd = EXE, home
        if where != "alone":
            shutil.copytree(os.path.join(SOURCE, "RES"), os.path.join(home, "RES"))
        # These word books, as the zip holds them: lists\词库 beside the program.
        library = os.path.join(SOURCE, "lists", "\u8bcd\u5e93")
        for book in books:
            shutil.copytree(os.path.join(library, book), os.path.join(home, "lists", "\u8bcd\u5e93", book))
            shutil.copy(os.path.join(library, "books.tsv"), os.path.join(home, "lists", "\u8bcd\u5e93"))
        if where != "here":
            exe, cwd = shutil.copy(EXE, home), os.path.join(WORK, name + "-started-here")
            os.makedirs(cwd)
        self.home = home
        env = dict(os.environ, **(env or {}), LANG=lang, WINEDEBUG="-all")
        if dll_overrides:
            env["WINEDLLOVERRIDES"] = dll_overrides
        # Ahead of other work on a busy machine, so the 8 ms ticks are timed
        # rather than the machine's load.
        self.process = subprocess.Popen(["nice", "-n", "-10", "wine", exe], cwd=cwd, env=env, stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=open(os.path.join(WORK, name + ".log"), "w"), text=True)
        self.layout = None

    def ask(self, *command):
        self.send(*command)
        return self.answer(command[0])

    def send(self, *command):
        self.process.stdin.write(" ".join(map(str, command)) + "\n")
        self.process.stdin.flush()

    def answer(self, *command):
        line = self.process.stdout.readline()
        if not line:
            raise Failed(f"the program ended while asked {command[0]}")
        answer = json.loads(line)
        if "error" in answer:
            raise Failed(f"{command[0]}: {answer['error']}")
        return answer

    def state(self):
        self.last_state = self.ask("state")
        return self.last_state

    def start(self):
        wait_for("the main dialog", lambda: self.state()["windows"] >= 1, timeout=60)
        self.layout = wait_for("the canvas", lambda: (lambda l: l if l.get("canvas", [0, 0, 0])[2] > 0 else None)(
            self.ask("layout")))
        wait_for("the canvas device", lambda: self.state()["canvasDevice"] != "none", timeout=30)
        return self.layout

    def click(self, place):
        left, top, width, height = place
        x, y = self.layout["origin"]
        xdo("mousemove", x + left + width // 2, y + top + height // 2)
        xdo("click", 1)

    def click_answer_box(self):
        left, top, right, bottom = self.layout["answerBox"]
        self.click((left, top, right - left, bottom - top))
        wait_for("the answer box to take the keys",
                 lambda: (lambda s: s["mainActive"] and s["focusId"] == ANSWER_BOX_ID)(self.state()))

    def frame(self, name):
        path = os.path.join(WORK, name + ".ppm")
        self.ask("frame", path)
        return read_ppm(path)

    def open_list(self, path):
        self.click(OPEN_BUTTON)
        wait_for("the open-file dialog with its name box focused",
                 lambda: (lambda s: s["windows"] >= 2 and not s["mainActive"] and s["focusClass"] == "Edit")(
                     self.state()))
        xdo("type", "--delay", 20, "Z:" + path.replace("/", "\\"))
        xdo("key", "Return")
        wait_for("the list to load", lambda: self.state()["listLoaded"] == 1)

    def quit(self, cancel_first=False):
        self.click_answer_box()
        if cancel_first:
            # Esc then Cancel: the Esc character never reaches the answer box.
            xdo("key", "Escape")
            wait_for("the exit question", lambda: (lambda s: s["windows"] >= 2 and not s["mainActive"])(self.state()))
            xdo("key", "Escape")
            wait_for("the dialog again", lambda: self.state()["mainActive"])
        xdo("key", "Escape")
        wait_for("the exit question", lambda: (lambda s: s["windows"] >= 2 and not s["mainActive"])(self.state()))
        xdo("key", "Return")  # OK is the default button
        try:
            status = self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            raise Failed("Esc then OK did not end the program") from None
        if status != 0:
            raise Failed(f"Esc then OK ended the program with status {status}")

    def answer_test(self, wrong=()):
        """Answers every question of the test in the answer box; the positions
        in `wrong` get a wrong word. The words asked, in order."""
        count = self.state()["wordCount"]
        self.click_answer_box()
        words = []
        for n in range(count):
            words.append(bytes.fromhex(self.state()["testWord"]).decode("ascii"))
            xdo("type", "--delay", 15, "nope" if n in wrong else words[-1])
            xdo("key", "Return")
            wait_for("the answer to count", lambda: (lambda t: t["correctCount"] + t["wrongCount"] == n + 1
                                                     or t["testFinished"])(self.state()))
        wait_for("the result", lambda: self.state()["testFinished"] == 1)
        return words

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    # `with Program(...) as program:` ends it however the steps end.
    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.kill()


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    _, size, _, pixels = data.split(b"\n", 3)
    width, height = map(int, size.split())
    return width, height, pixels


def text_pixels(frame, rect):
    """Pixels inside rect that are not the blue ground."""
    width, _, pixels = frame
    left, top, right, bottom = rect
    return sum(1 for y in range(top, bottom) for x in range(left, right)
               if pixels[3 * (y * width + x):3 * (y * width + x) + 3] != b"\x00\x00\xff")


def differing(a, b):
    """Pixels that differ between two frames of one size."""
    return sum(1 for i in range(0, len(a[2]), 3) if a[2][i:i + 3] != b[2][i:i + 3])


def screen_canvas(program, name):
    """The canvas as the X screen shows it."""
    layout = program.ask("layout")
    left, top, right, bottom = layout["canvas"]
    x, y = layout["origin"]
    path = os.path.join(WORK, name + "-screen.ppm")
    subprocess.run(["import", "-window", "root", "-crop", f"{right - left}x{bottom - top}+{x + left}+{y + top}",
                    "-depth", "8", "ppm:" + path], check=True, capture_output=True)
    return read_ppm(path)


def check_layout(layout):
    bx, by = layout["base"]
    if layout["mapped"] != [bx, by]:
        raise Failed(f"dialog units map with {layout['mapped']}, the font gives {[bx, by]}")
    font = layout["font"]
    # 12 points bold at 96 pixels an inch.
    if (font["height"], font["weight"]) != (-16, 700):
        raise Failed(f"dialog font {font}")
    # Without a window manager nothing moves the window from where it was made.
    for key, want in (("client", DESIGNED_CLIENT), ("answerBox", DESIGNED_ANSWER_BOX), ("slider", DESIGNED_SLIDER),
                      ("origin", DESIGNED_ORIGIN)):
        if layout[key] != want:
            raise Failed(f"{key} {layout[key]}, designed {want} (font base units {bx}x{by})")
    # All inside the client area, and the two controls clear of the canvas,
    # the buttons and each other (the open button overlaps its neighbours by
    # design).
    windows = [layout["answerBox"], layout["slider"], layout["canvas"]] + layout["buttons"]
    for n, rect in enumerate(windows):
        if rect[0] < 0 or rect[1] < 0 or rect[2] > DESIGNED_CLIENT[0] or rect[3] > DESIGNED_CLIENT[1]:
            raise Failed(f"{rect} outside the client area")
        for other in windows[n + 1:]:
            if n < 2 and rect[0] < other[2] and other[0] < rect[2] and rect[1] < other[3] and other[1] < rect[3]:
                raise Failed(f"control {rect} overlaps {other}")
    log(f"  font {font['face']} drawn with {font['drawnWith']}, base units {bx}x{by}; "
        f"client {layout['client']} at {layout['origin']}; answer box {layout['answerBox']}, "
        f"slider {layout['slider']}, canvas {layout['canvas']}")


def hit(program):
    """Types the moving word; what the observer saw of the hit animation."""
    s = program.state()
    program.send("hit", 5000)
    xdo("type", "--delay", 30, bytes.fromhex(s["practiceWord"]).decode("ascii"))
    seen = program.answer("hit")
    wait_for("the next word", lambda: program.state()["practiceIndex"] != s["practiceIndex"])
    log(f"  animation: {seen['spritePixels']} pixels in its cell at most ({seen['before']} for the word "
        f"alone), {seen['samples']} samples, {seen['seconds']:.3f} s, {seen['late']} of 42 frames late "
        f"by {seen['heldBack']:.3f} s in all")
    if seen["spritePixels"] < 100 or seen["before"] > 40:
        raise Failed(f"the hit animation drew {seen['spritePixels']} pixels, the word alone {seen['before']}")
    return seen


def check_hits(program):
    """42 frames at the display's 60 refreshes a second. One that ran too
    fast fails at once. Frames more than half a refresh late were held back
    by the busy machine: a few are taken off the length, and an animation
    with more measures the machine, not the pacing, so it is timed again, up
    to three times."""
    for attempt in range(3):
        seen = hit(program)
        seconds = seen["seconds"]
        if seconds < 0.65:
            raise Failed(f"the hit animation lasted {seconds:.3f} s, less than 42 refreshes")
        if seen["late"] <= 4:
            if seconds - seen["heldBack"] > 0.75:
                raise Failed(f"the hit animation lasted {seconds:.3f} s ({seen['heldBack']:.3f} s of it held back "
                             "by the machine), not the 0.7 s of 42 refreshes")
            return
    raise Failed(f"the machine was too busy to time the hit animation: {seen['late']} of its frames late "
                 "in each of three tries")


def drag_slider(program, to, position):
    layout = program.ask("layout")
    left, top, right, bottom = layout["sliderScreen"]
    thumb = (layout["thumb"][0] + layout["thumb"][1]) // 2
    y = (top + bottom) // 2
    target = {"left end": left - 30, "right end": right + 30, "middle": (left + right) // 2}[to]
    xdo("mousemove", left + thumb, y)
    xdo("mousedown", 1)
    for step in range(1, 6):
        xdo("mousemove", left + thumb + (target - left - thumb) * step // 5, y)
        time.sleep(0.03)
    xdo("mouseup", 1)
    wait_for(f"the thumb at {position}", lambda: program.ask("layout")["sliderPos"] == position, timeout=5)


def chinese_run():
    """The whole drill on a Chinese system; returns the first test frame."""
    log("code page 936 (LANG=zh_CN.UTF-8), started from a folder without RES")
    program = Program("zh_CN.UTF-8", where="elsewhere")
    try:
        log("step: the dialog opens at its designed size and places, in the program's folder")
        layout = program.start()
        check_layout(layout)
        s = program.state()
        folder = bytes.fromhex(s["folder"]).decode("utf-8")
        if not folder.endswith("\\" + os.path.basename(program.home)) or s["boxText"]:
            raise Failed(f"working in {folder!r}, message {bytes.fromhex(s['boxText']).decode('utf-8')!r}")
        wait_for("the timer resolution given back with no list open", lambda: not program.state()["fineTimer"])
        if program.state()["canvasDevice"] != "Direct3D":
            raise Failed(f"the canvas is drawn with {program.state()['canvasDevice']}, not Direct3D")
        time.sleep(0.2)
        start = program.frame("start")

        log("step: open lists/phrases.txt through the open-file dialog")
        program.open_list(os.path.join(SOURCE, "lists", "phrases.txt"))
        count = program.state()["wordCount"]
        if count != 15:
            raise Failed(f"{count} entries counted, the list has 15")
        wait_for("the 1 ms timer resolution while the word moves", lambda: program.state()["fineTimer"])

        log("step: the word moves")
        program.click_answer_box()
        before = program.state()["scrollX"]
        a = program.frame("moving-1")
        wait_for("the word to move", lambda: program.state()["scrollX"] >= before + 10, timeout=5)
        b = program.frame("moving-2")
        changed = sum(1 for i in range(0, len(a[2]), 3) if a[2][i:i + 3] != b[2][i:i + 3])
        if changed < 50:
            raise Failed(f"only {changed} canvas pixels changed while the word moved")
        log(f"  {changed} canvas pixels changed")

        log("step: typing the word gives a hit with its animation on the canvas, 42 refreshes long")
        check_hits(program)

        log("step: the slider's three bands")
        for to, position, period in BANDS:
            drag_slider(program, to, position)
            # A sample in which the machine held the ticker back past many of
            # its ticks measures the machine, not the timer: it is taken again,
            # up to three times, and only a quiet sample is judged.
            for attempt in range(3):
                measured = program.ask("ticks", 2000)
                log(f"  thumb to the {to}: position {position}, {measured['period']:.3f} ms a tick "
                    f"({measured['ticks']} ticks; median interval {measured['median']:.2f} ms, "
                    f"{measured['lost']} lost to the busy machine)")
                if measured["lost"] * 10 <= measured["ticks"]:
                    break
            else:
                raise Failed(f"the machine was too busy to time the ticks: {measured['lost']} of "
                             f"{measured['ticks']} lost in each of three samples")
            if abs(measured["period"] - period) > period * 0.01:
                raise Failed(f"tick period {measured['period']:.3f} ms, expected {period} ms within 1 %")

        log("step: test mode scores every answer")
        program.click(MODE_BUTTON)
        wait_for("test mode", lambda: program.state()["testMode"] == 1)
        wait_for("the timer resolution given back in test mode", lambda: not program.state()["fineTimer"])
        time.sleep(0.2)  # a frame or two of the test view
        first = program.frame("test-start")
        program.click_answer_box()
        right = 0
        for n in range(count):
            s = program.state()
            if n % 4 == 3:
                xdo("type", "--delay", 15, "wrong")
            else:
                xdo("type", "--delay", 15, bytes.fromhex(s["testWord"]).decode("ascii"))
                right += 1
            xdo("key", "Return")
            wait_for("the answer to count",
                     lambda: (lambda t: t["correctCount"] + t["wrongCount"] == n + 1 or t["testFinished"])(
                         program.state()))
        s = wait_for("the result", lambda: (lambda t: t if t["testFinished"] == 1 else None)(program.state()))
        score = int(right / count * 100.0)
        counters = (s["correctCount"], s["wrongCount"], s["testScore"])
        if counters != (right, count - right, score):
            raise Failed(f"right, wrong, score {counters}, expected {(right, count - right, score)}")
        line = bytes.fromhex(s["resultText"]).decode("gbk")
        if line != f"测试成绩: {score} 分,点击空格或屏幕继续":
            raise Failed(f"result line {line!r}")
        time.sleep(0.8)  # the last hit's animation ends before the line shows
        shown = text_pixels(program.frame("result"), (0, 20, 480, 56))
        if shown < 300:
            raise Failed(f"the result line is not drawn ({shown} text pixels)")
        log(f"  {right} of {count} right: score {score}, {line!r}, drawn with {shown} pixels")

        log("step: Esc then Cancel, Esc then OK ends with status 0; no Enter or Esc character reached the box")
        program.quit(cancel_first=True)
        if program.last_state["beepingChars"]:
            raise Failed(f"{program.last_state['beepingChars']} Enter or Esc characters reached the answer box")
        return layout, first, start
    finally:
        program.kill()


def english_run(chinese_layout, chinese_frame, _, lang="en_US.UTF-8"):
    log(f"LANG={lang}")
    program = Program(lang)
    try:
        log("step: the dialog has the Chinese system's font and layout")
        layout = program.start()
        check_layout(layout)
        for key in ("base", "client", "answerBox", "slider", "canvas"):
            if layout[key] != chinese_layout[key]:
                raise Failed(f"{key} {layout[key]}, on the Chinese system {chinese_layout[key]}")
        log("step: the same list and test view draw the same Chinese texts")
        program.open_list(os.path.join(SOURCE, "lists", "phrases.txt"))
        program.click(MODE_BUTTON)
        wait_for("test mode", lambda: program.state()["testMode"] == 1)
        time.sleep(0.2)
        frame = program.frame(f"test-start-{lang}")
        differ = differing(frame, chinese_frame)
        meaning = text_pixels(frame, (0, 20, 480, 56))
        if differ or meaning < 100:
            raise Failed(f"{differ} pixels differ from the Chinese system's canvas; meaning {meaning} pixels")
        log(f"  canvas identical to the code page 936 run ({meaning} pixels of meaning text)")
        program.quit()
    finally:
        program.kill()


def gdi_run(_, direct3d_test_frame, direct3d_start_frame):
    log("without Direct3D 9 (WINEDLLOVERRIDES=d3d9=d)")
    program = Program("zh_CN.UTF-8", name="no-direct3d", dll_overrides="d3d9=d")
    try:
        log("step: the program starts and draws its canvas with GDI, as with Direct3D, on the screen")
        program.start()
        device = program.state()["canvasDevice"]
        if device != "GDI":
            raise Failed(f"the canvas is drawn with {device}, not GDI")
        time.sleep(0.2)
        start = program.frame("start-gdi")
        if differing(start, direct3d_start_frame):
            raise Failed(f"{differing(start, direct3d_start_frame)} pixels of the start screen differ from Direct3D's")
        shown = screen_canvas(program, "start-gdi")
        if differing(shown, start):
            raise Failed(f"the screen shows {differing(shown, start)} canvas pixels other than the frame drawn")
        log("  start screen identical to Direct3D's, and on the screen")

        log("step: a hit animation lasts 42 refreshes")
        program.open_list(os.path.join(SOURCE, "lists", "phrases.txt"))
        program.click_answer_box()
        check_hits(program)

        log("step: the test view is drawn as with Direct3D")
        program.click(MODE_BUTTON)
        wait_for("test mode", lambda: program.state()["testMode"] == 1)
        time.sleep(0.2)
        frame = program.frame("test-start-gdi")
        if differing(frame, direct3d_test_frame):
            raise Failed(f"{differing(frame, direct3d_test_frame)} pixels of the test view differ from Direct3D's")
        log("  test view identical to Direct3D's")
        program.quit()
    finally:
        program.kill()


def no_assets_run():
    log("the program alone, with no RES anywhere")
    program = Program("zh_CN.UTF-8", name="alone", where="alone")
    try:
        log("step: a message box says what to do")
        text = wait_for("the message box", lambda: program.state()["boxText"], timeout=60)
        if bytes.fromhex(text).decode("utf-8") != NO_ASSETS_TEXT:
            raise Failed(f"message {bytes.fromhex(text).decode('utf-8')!r}")
        # No window manager gives the box the keyboard: it is given by hand.
        box = subprocess.run(["xdotool", "search", "--name", "^KESTRAN$"], capture_output=True, text=True).stdout.split()
        if len(box) != 1:
            raise Failed(f"{len(box)} windows named KESTRAN while the message box is up")
        xdo("windowfocus", "--sync", box[0])
        xdo("key", "Return")
        wait_for("the message box to close", lambda: not program.state()["boxText"])
        log("step: the dialog follows; Esc then OK ends with status 0")
        program.start()
        program.quit()
    finally:
        program.kill()


def steps():
    started = time.monotonic()
    chinese = chinese_run()
    english_run(*chinese)
    english_run(*chinese, lang="zh_TW.UTF-8")
    gdi_run(*chinese)
    no_assets_run()
    log(f"all steps passed in {time.monotonic() - started:.0f} s")


if __name__ == "__main__":
    sys.exit(run(WORK, steps))

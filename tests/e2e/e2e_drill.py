#!/usr/bin/env python3
"""End-to-end drills in the real window.

Starts the built program under its own Xvfb, drives it with real X input
(xdotool), looks at the screen (ImageMagick's import) and reads exact numbers
from the running process with gdb. Every step checks something a learner
would see or hear. On failure the screenshots stay in the work folder.

usage: e2e_drill.py KESTRAN KESTRAN_LIST SOURCE_DIR
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no cache folder in the source tree
from kestran_driver import (ANSWER_BOX, BLACK, BLUE, COLOUR_BUTTON, MODE_BUTTON, OPEN_BUTTON, ORDER_BUTTON,
                            SLIDER_LEFT_END, YELLOW, DriverError, Kestran, Screenshot, StateLayout, VirtualScreen,
                            count, run)  # noqa: E402
from kestran_driver import wait_for as _wait_for  # noqa: E402

KESTRAN, KESTRAN_LIST, SOURCE = sys.argv[1:4]
WORK = tempfile.mkdtemp(prefix="kestran-e2e-")
SHOTS = os.path.join(WORK, "shots")
os.makedirs(SHOTS)
AUDIO_FILE = os.path.join(WORK, "audio.raw")

screen = VirtualScreen(extra_env=dict(SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=AUDIO_FILE,
                                      SDL_DISKAUDIODELAY="10"))
kestran = Kestran(KESTRAN, screen, os.path.join(WORK, "home"))
program = None
step_no = 0


class StepFailed(DriverError):
    pass


def log(text):
    print(text, flush=True)


def cleanup():
    if kestran.process:
        kestran.stop()
    screen.close()


def Shot(name):
    return Screenshot(screen, os.path.join(SHOTS, f"{step_no:02d}-{name}.png"))


def wait_for(what, condition, timeout=10.0):
    try:
        _wait_for(what, condition, timeout)
    except DriverError as e:
        raise StepFailed(str(e)) from None


xdo = screen.xdo
screen_of = kestran.screen_of
canvas_region = kestran.canvas_region
state = kestran.state
click = kestran.click
type_text = kestran.type_text
key = kestran.key


def step(name):
    global step_no
    step_no += 1
    log(f"step {step_no}: {name}")


# --- The drill ----------------------------------------------------------------

def main():
    global program
    records = json.loads(run(KESTRAN_LIST, "--json", os.path.join(SOURCE, "lists", "phrases.txt")))["records"]
    words = [r["word"] for r in records]
    shutil.copytree(os.path.join(SOURCE, "RES"), os.path.join(kestran.home, "RES"))
    screen.wait_ready()

    kestran.layout = StateLayout(KESTRAN)
    step("the program starts and shows the credit line on a blue canvas")
    program = kestran.start()
    wait_for("the window", lambda: xdo("search", "--onlyvisible", "--name", "^KESTRAN$").strip() != "")
    time.sleep(1.0)
    shot = Shot("start")
    pixels = canvas_region(shot)
    if count(pixels, BLUE, 10) < len(pixels) * 0.8:
        raise StepFailed("the canvas is not blue")
    if count(pixels, YELLOW, 90) < 30:
        raise StepFailed("no credit line on the canvas")

    step("open the phrase list through the open-file dialog")
    click(OPEN_BUTTON)
    time.sleep(1.0)
    Shot("open-dialog")
    type_text(os.path.join(SOURCE, "lists", "phrases.txt"))
    key("Return")
    wait_for("the list to load", lambda: state("listLoaded")["listLoaded"] == 1)
    if state("wordCount")["wordCount"] != len(words):
        raise StepFailed("the program counted a different number of entries")

    step("a word moves across the canvas")
    click(ANSWER_BOX)
    first = Shot("moving-1")
    time.sleep(0.6)
    second = Shot("moving-2")
    a, b = canvas_region(first), canvas_region(second)
    changed = sum(1 for p, q in zip(a, b) if p != q)
    if changed < 50:
        raise StepFailed("the word did not move")
    if count(b, YELLOW, 90) < 30:
        raise StepFailed("no word drawn")

    step("typing the word gives the hit: animation on the canvas, sound on the audio device")
    audio_before = os.path.getsize(AUDIO_FILE) if os.path.exists(AUDIO_FILE) else 0
    index = state("practiceIndex")["practiceIndex"]
    type_text(words[index])
    # The burst is drawn where the word stood, in colours the canvas has
    # nowhere else (neither the blue ground, nor the yellow and white text).
    def burst_pixels(shot):
        return sum(1 for p in canvas_region(shot)
                   if min(abs(a - b) for a, b in zip(p, BLUE)) > 60 and p[2] < 200 and p[0] > 120)
    burst = 0
    for i in range(12):
        burst = max(burst, burst_pixels(Shot(f"hit-{i}")))
    if burst < 20:
        raise StepFailed("no hit animation on the canvas")
    wait_for("the next word", lambda: state("practiceIndex")["practiceIndex"] != index, timeout=5)
    time.sleep(0.5)
    with open(AUDIO_FILE, "rb") as f:
        f.seek(audio_before)
        audio = f.read()
    if not any(audio):
        raise StepFailed("no sound reached the audio device")
    log(f"  hit animation: {burst} burst pixels; {len(audio)} audio bytes, not silent")

    step("finish the sequential pass by typing every word, then acknowledge with Space")
    def settled():
        # Right after the last word's hit the index stands past the list
        # until the next tick ends the pass.
        s = state("practiceIndex", "practiceFinished")
        return s["practiceIndex"] < len(words) or s["practiceFinished"] == 1
    for _ in range(len(words) + 2):
        wait_for("a word to type or the end of the pass", settled)
        s = state("practiceIndex", "practiceFinished")
        if s["practiceFinished"] == 1:
            break
        index = s["practiceIndex"]
        time.sleep(0.3)  # the box is cleared just after the index moves on
        type_text(words[index])
        wait_for("the next word", lambda: state("practiceIndex", "practiceFinished")["practiceIndex"] != index
                 or state("practiceFinished")["practiceFinished"] == 1, timeout=5)
    wait_for("the end of the pass", lambda: state("practiceFinished")["practiceFinished"] == 1)
    Shot("pass-finished")
    key("space")
    s = state("practiceFinished", "paused")
    if s["practiceFinished"] != 0 or s["paused"] != 0:
        raise StepFailed("Space did not start the next pass")

    step("switch to random order and to test mode with the buttons")
    click(ORDER_BUTTON)
    click(MODE_BUTTON)
    s = state("randomOrder", "testMode")
    if (s["randomOrder"], s["testMode"]) != (1, 1):
        raise StepFailed(f"buttons did not switch: {s}")
    Shot("test-mode")

    step("answer every question, some right and some wrong, and read the score")
    click(ANSWER_BOX)
    right = 0
    for n in range(len(words)):
        index = state("testIndex")["testIndex"]
        if n % 3 == 2:
            type_text("wrong")
        else:
            type_text(words[index])
            right += 1
        key("Return")
    wait_for("the result", lambda: state("testFinished")["testFinished"] == 1)
    s = state("testScore", "resultText", "correctCount", "wrongCount")
    expected = int(right / len(words) * 100.0)
    shot = Shot("result")
    if s["testScore"] != expected:
        raise StepFailed(f"score {s['testScore']}, expected {expected}")
    line = s["resultText"].decode("gbk")
    if line != f"测试成绩: {expected} 分,点击空格或屏幕继续":
        raise StepFailed(f"result line {line!r}")
    log(f"  {right} of {len(words)} right: score {expected}, result line {line!r}")

    step("Space acknowledges and the counters go back to 0")
    key("space")
    wait_for("the reset", lambda: state("testFinished")["testFinished"] == 0)
    s = state("correctCount", "wrongCount", "correctText", "wrongText")
    if (s["correctCount"], s["wrongCount"], s["correctText"], s["wrongText"]) != (0, 0, b"0", b"0"):
        raise StepFailed(f"counters not reset: {s}")

    step("the slider changes the speed")
    click(MODE_BUTTON)  # back to practice
    def speed():
        a = state("scrollX")["scrollX"]
        time.sleep(1.0)
        return state("scrollX")["scrollX"] - a
    normal = speed()
    x, y = screen_of(SLIDER_LEFT_END)
    xdo("mousemove", x + 90, y)
    xdo("mousedown", 1)
    xdo("mousemove", x + 200, y)
    time.sleep(0.1)
    xdo("mouseup", 1)
    time.sleep(0.2)
    fast = speed()
    log(f"  pixels per second: {normal} at the start speed, {fast} at the fastest")
    if not fast > normal * 2:
        raise StepFailed("the slider did not speed the word up")

    step("the colour button turns the canvas black")
    click(COLOUR_BUTTON)
    time.sleep(0.3)
    pixels = canvas_region(Shot("colours"))
    if count(pixels, BLACK, 10) < len(pixels) * 0.8:
        raise StepFailed("the canvas did not turn black")

    step("Esc then Cancel keeps the program running")
    click(ANSWER_BOX)
    key("Escape")
    time.sleep(0.8)
    Shot("exit-question")
    key("Escape")  # the box's Cancel
    time.sleep(0.5)
    if program.poll() is not None:
        raise StepFailed("the program ended after Cancel")

    step("Esc then OK ends the program with status 0")
    key("Escape")
    time.sleep(0.8)
    key("Return")  # OK is the default button
    try:
        status = program.wait(timeout=10)
    except subprocess.TimeoutExpired:
        raise StepFailed("the program did not end")
    if status != 0:
        raise StepFailed(f"exit status {status}")


if __name__ == "__main__":
    try:
        main()
        log(f"all {step_no} steps passed")
        shutil.rmtree(WORK, ignore_errors=True)
        code = 0
    except Exception as e:  # noqa: BLE001 - report whatever stopped the drill
        log(f"FAILED at step {step_no}: {e}")
        try:
            if screen.process.poll() is None:
                Shot("failure")
        except Exception:  # noqa: BLE001 - the screen may be gone
            pass
        log(f"screenshots kept in {SHOTS}")
        code = 1
    finally:
        cleanup()
    sys.exit(code)

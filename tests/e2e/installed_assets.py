#!/usr/bin/env python3
"""The installed program and its asset files, in the real window.

1. Installs the build into a scratch folder, moves the installed tree
   elsewhere, and starts its kestran from a home folder that has no RES:
   the dialog background and every button picture must show, with nothing on
   stderr and nothing written into the home folder.
2. For each kind of asset, a copy of RES with that file replaced by a FIFO:
   the program must start, draw its canvas and background, and (for the
   sound) still give a hit sound at every hit.

usage: installed_assets.py BUILD_DIR SOURCE_DIR PREFIX [SHOTS_DIR]
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no cache folder in the source tree
from kestran_driver import (ANSWER_BOX, BLUE, CANVAS, DriverError, Kestran, Screenshot, VirtualScreen, count,
                            wait_for)  # noqa: E402

BUILD, SOURCE, PREFIX = sys.argv[1:4]
WORK = tempfile.mkdtemp(prefix="kestran-installed-")
SHOTS = sys.argv[4] if len(sys.argv) > 4 else os.path.join(WORK, "shots")
os.makedirs(SHOTS, exist_ok=True)

# Button places in the client area and their picture numbers.
BUTTONS = {1: (264, 145, 76, 38), 2: (165, 147, 105, 38), 3: (335, 147, 105, 38),
           4: (123, 180, 50, 50), 5: (432, 180, 50, 50)}
# Parts no neighbour covers (the buttons' rectangles overlap).
UNCOVERED = {1: (7, 0, 64, 38), 2: (0, 0, 99, 33), 3: (6, 0, 99, 33), 4: (0, 0, 50, 50), 5: (0, 0, 50, 50)}
TOP_STRIP = (0, 0, 601, 30)  # dialog background only

failures = []


def check(condition, what):
    print(("ok    " if condition else "FAIL  ") + what, flush=True)
    if not condition:
        failures.append(what)


def rgb_of(files, size):
    """The pixels of pictures drawn over each other at 0,0 (ImageMagick),
    on black, cut to `size`."""
    w, h = size
    args = ["convert", "-size", f"{w}x{h}", "xc:black"]
    for f in files:
        args += [f, "-geometry", "+0+0", "-composite"]
    raw = subprocess.run(args + ["-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
    return [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]


def crop(pixels, width, part):
    x, y, w, h = part
    return [pixels[(y + dy) * width + x + dx] for dy in range(h) for dx in range(w)]


def mean_difference(a, b):
    return sum(abs(p - q) for pa, pb in zip(a, b) for p, q in zip(pa, pb)) / (3 * max(1, len(a)))


def shown(kestran, shot, rect):
    x, y = kestran.screen_of(rect[:2])
    return shot.region(x, y, rect[2], rect[3])


def background_matches(kestran, shot, res):
    bk = rgb_of([os.path.join(res, "bk.jpg")], (601, 30))
    return mean_difference(shown(kestran, shot, TOP_STRIP), bk) < 6


def canvas_drawn(kestran, shot):
    pixels = kestran.canvas_region(shot)
    return count(pixels, BLUE, 10) > len(pixels) * 0.6


def installed_program_from_home(screen):
    print("== the installed program, moved, started from a home folder without RES", flush=True)
    stage = os.path.join(WORK, "stage")
    subprocess.run(["cmake", "--install", BUILD], env=dict(os.environ, DESTDIR=stage), check=True,
                   capture_output=True)
    moved = os.path.join(WORK, "moved install")
    shutil.move(stage + PREFIX, moved)
    res = os.path.join(moved, "share", "kestran", "RES")
    home = os.path.join(WORK, "home")
    os.makedirs(home)
    errors = os.path.join(WORK, "installed-stderr.txt")
    with open(errors, "w") as err:
        kestran = Kestran(os.path.join(moved, "bin", "kestran"), screen, home, stderr=err)
        kestran.start()
        try:
            kestran.wait_window(timeout=20)
            time.sleep(1.5)
            shot = Screenshot(screen, os.path.join(SHOTS, "installed-from-home.png"))
            check(background_matches(kestran, shot, res), "the dialog background is the installed bk.jpg")
            for n, rect in BUTTONS.items():
                w, h = rect[2], rect[3]
                expected = rgb_of([os.path.join(res, f"bb{n}.jpg"), os.path.join(res, f"b{n}1.png")], (w, h))
                part = UNCOVERED[n]
                got = shown(kestran, shot, (rect[0] + part[0], rect[1] + part[1], part[2], part[3]))
                difference = mean_difference(got, crop(expected, w, part))
                check(difference < 6, f"button {n} shows its pictures (mean difference {difference:.1f})")
            check(canvas_drawn(kestran, shot), "the canvas is drawn")
        finally:
            kestran.stop()
    with open(errors) as err:
        ours = [line for line in err if not line.startswith("QStandardPaths:")]
    check(not ours, "nothing on stderr: " + "".join(ours).strip())
    check(os.listdir(home) == [], "nothing written into the home folder")
    return res


def one_entry_list():
    path = os.path.join(WORK, "one.txt")
    with open(path, "wb") as f:
        f.write("apple 苹果\n".encode("gbk"))
    return path


def hit(kestran, audio_file, n):
    """Types the only word and returns the audio bytes the hit gave."""
    before = os.path.getsize(audio_file) if os.path.exists(audio_file) else 0
    kestran.click(ANSWER_BOX)
    kestran.type_text("apple")
    time.sleep(2.0)
    Screenshot(kestran.screen, os.path.join(SHOTS, f"fifo-41.wav-hit-{n}.png"))
    if not os.path.exists(audio_file):
        return b""
    with open(audio_file, "rb") as f:
        f.seek(before)
        return f.read()


def fifo_in_place_of(name, installed_res, screen, audio_file):
    """Runs one case; False when the X server went away under it."""
    folder = os.path.join(WORK, "fifo-" + name)
    shutil.rmtree(folder, ignore_errors=True)
    res = os.path.join(folder, "RES")
    shutil.copytree(installed_res, res)
    os.remove(os.path.join(res, name))
    os.mkfifo(os.path.join(res, name))
    errors = open(os.path.join(folder, "stderr.txt"), "w")
    kestran = Kestran(os.path.join(WORK, "moved install", "bin", "kestran"), screen, folder, stderr=errors)
    kestran.start()
    try:
        try:
            kestran.wait_window(timeout=20)
        except DriverError:
            errors.flush()
            with open(errors.name) as text:
                said = text.read()
            if screen.process.poll() is not None or "could not connect to display" in said:
                print(f"   (the X server {screen.display} went away: {said.strip()})", flush=True)
                return False
            check(False, f"FIFO as {name}: the window appears")
            if kestran.alive():  # where it is stuck
                print(subprocess.run(["gdb", "-p", str(kestran.pid), "-batch", "-ex", "thread apply all bt 12"],
                                     capture_output=True, text=True).stdout)
            else:
                print(f"ended with status {kestran.process.returncode}: {said}")
            return True
        time.sleep(1.5)
        shot = Screenshot(screen, os.path.join(SHOTS, f"fifo-{name}.png"))
        check(kestran.alive(), f"FIFO as {name}: the program runs")
        check(canvas_drawn(kestran, shot), f"FIFO as {name}: the canvas is drawn")
        # With bk.jpg a FIFO the stored bk.bmp (made from it) shows.
        check(background_matches(kestran, shot, installed_res), f"FIFO as {name}: the dialog background shows")
        if name == "41.wav":
            kestran.open_list(one_entry_list())
            time.sleep(1.0)
            Screenshot(screen, os.path.join(SHOTS, "fifo-41.wav-list.png"))
            for n in (1, 2):
                audio = hit(kestran, audio_file, n)
                check(any(audio), f"FIFO as {name}: hit {n} sounds (the beep)")
                kestran.key("space")  # the pass ends after the only word
        return True
    finally:
        kestran.stop()
        errors.close()


def new_screen(audio_file):
    screen = VirtualScreen(extra_env=dict(SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=audio_file,
                                          SDL_DISKAUDIODELAY="10"))
    screen.wait_ready()
    return screen


def main():
    audio_file = os.path.join(WORK, "audio.raw")
    screen = new_screen(audio_file)
    try:
        installed_res = installed_program_from_home(screen)
        print("== a FIFO in place of each kind of asset", flush=True)
        for name in ("bk.bmp", "bk.jpg", "b41.png", "27.png", "41.wav"):
            # Private X servers of other programs on the machine may take
            # over the display; such a case runs once more on a new server.
            if not fifo_in_place_of(name, installed_res, screen, audio_file):
                screen.close()
                screen = new_screen(audio_file)
                if not fifo_in_place_of(name, installed_res, screen, audio_file):
                    check(False, f"FIFO as {name}: ran on a working X server")
    finally:
        screen.close()
    print(f"screenshots in {SHOTS}")
    if failures:
        print(f"{len(failures)} check(s) failed")
        return 1
    if not SHOTS.startswith(WORK):
        shutil.rmtree(WORK, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())

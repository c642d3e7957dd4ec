#!/usr/bin/env python3
"""The Windows program at 100 %, 150 % and 200 % display scaling, under Wine.

Starts kestran_e2e_win.exe with the prefix's DPI (HKCU\\Control Panel\\Desktop
LogPixels, which Wine reads at each start) at 96, 144 and 192, and checks
through its observer that the layout is the 96-DPI one times the scale and
that the canvas is drawn anew at that scale rather than stretched. The 96-DPI
program is then told it moved to a 144-DPI monitor (WM_GETDPISCALEDSIZE and
WM_DPICHANGED, which Wine itself never sends) and back.

Needs an X server (DISPLAY) and Wine; uses WINEPREFIX when set, otherwise
makes a fresh prefix. The prefix's own DPI setting is put back afterwards.

usage: dpi_wine.py KESTRAN_E2E_WIN_EXE SOURCE_DIR
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no cache folder in the source tree
from wine_driver import PREFIX_OWN, Failed, log, run as run_driver, scratch, wait_for  # noqa: E402

EXE, SOURCE = map(os.path.abspath, sys.argv[1:3])
WORK = scratch("dpi-wine")
DESKTOP = r"HKCU\Control Panel\Desktop"
BLUE = b"\x00\x00\xff"


def wine_reg(*args):
    return subprocess.run(["wine", "reg", *args], check=False, capture_output=True, text=True,
                          errors="replace").stdout


def prefix_dpi():
    """The prefix's own setting, to put back: a number, or None when it has none."""
    for line in wine_reg("query", DESKTOP, "/v", "LogPixels").splitlines():
        if "LogPixels" in line and "REG_DWORD" in line:
            return int(line.split()[-1], 0)
    return None


def set_dpi(dpi):
    if dpi is None:
        wine_reg("delete", DESKTOP, "/v", "LogPixels", "/f")
    else:
        wine_reg("add", DESKTOP, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f")
    subprocess.run(["wineserver", "-w"], check=False)


class Program:
    def __init__(self, dpi):
        home = tempfile.mkdtemp(prefix=f"{dpi}-", dir=WORK)
        shutil.copytree(os.path.join(SOURCE, "RES"), os.path.join(home, "RES"))
        self.process = subprocess.Popen(["wine", EXE], cwd=home, env=dict(os.environ, WINEDEBUG="-all"),
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=open(os.path.join(home, "stderr.log"), "w"), text=True)

    def ask(self, *command, errors_fail=True):
        self.process.stdin.write(" ".join(map(str, command)) + "\n")
        self.process.stdin.flush()
        line = self.process.stdout.readline()
        if not line:
            raise Failed(f"the program ended while asked {command[0]}")
        answer = json.loads(line)
        if "error" in answer:
            if errors_fail:
                raise Failed(f"{command[0]}: {answer['error']}")
            return None
        return answer

    def settled(self, width):
        """The layout once the canvas is width pixels wide, and its frame."""
        layout = wait_for(f"a canvas {width} wide", lambda: (lambda l: l if l["canvas"][2] - l["canvas"][0] == width
                                                              else None)(self.ask("layout")), timeout=20)
        path = os.path.join(WORK, f"frame-{width}.ppm")

        def frame():
            # No device or no frame yet: asked again.
            return self.ask("frame", path, errors_fail=False) and (lambda f: f if f[0] == width else None)(
                read_ppm(path))
        return layout, wait_for(f"a frame {width} wide", frame, timeout=20)

    def shot(self):
        path = os.path.join(WORK, "shot.ppm")
        self.ask("shot", path)
        return read_ppm(path)

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


def read_ppm(path):
    with open(path, "rb") as f:
        _, size, _, pixels = f.read().split(b"\n", 3)
    width, height = map(int, size.split())
    return width, height, pixels


def pixel(frame, x, y):
    i = 3 * (y * frame[0] + x)
    return frame[2][i:i + 3]


def ink_box(frame):
    """The smallest rectangle holding every pixel that is not the blue ground."""
    width, height, _ = frame
    xs, ys = [], []
    for y in range(height):
        for x in range(width):
            if pixel(frame, x, y) != BLUE:
                xs.append(x)
                ys.append(y)
    if not xs:
        raise Failed("nothing drawn on the canvas")
    return [min(xs), min(ys), max(xs) + 1, max(ys) + 1]


def scaled(values, dpi):
    return [(v * dpi * 2 + 96) // (96 * 2) if v >= 0 else -((-v * dpi * 2 + 96) // (96 * 2)) for v in values]


def near(got, want, slack):
    return all(abs(g - w) <= slack for g, w in zip(got, want))


def check_layout(base, layout, dpi):
    wanted = {name: scaled(base[name], dpi) for name in ("client", "canvas", "answerBox", "slider")}
    for i, rect in enumerate(base["buttons"]):
        wanted[f"button {i + 1}"] = scaled(rect, dpi)
    got = dict({name: layout[name] for name in ("client", "canvas", "answerBox", "slider")},
               **{f"button {i + 1}": r for i, r in enumerate(layout["buttons"])})
    for name, want in wanted.items():
        if not near(got[name], want, 1):
            raise Failed(f"at {dpi} DPI {name} {got[name]}, expected {want} (the 96-DPI one scaled)")
    log(f"  {dpi} DPI: client {layout['client']}, canvas {layout['canvas']}, answer box {layout['answerBox']}, "
        f"slider {layout['slider']}, buttons {layout['buttons']}")


def check_drawn_anew(base_frame, frame, dpi):
    """Text laid out at the scale: not the 96-DPI frame blown up, and in the same place."""
    width, height, _ = frame
    blown = sum(1 for y in range(height) for x in range(width)
                if pixel(frame, x, y) != pixel(base_frame, min(x * 96 // dpi, base_frame[0] - 1),
                                               min(y * 96 // dpi, base_frame[1] - 1)))
    if blown < 200:
        raise Failed(f"at {dpi} DPI the canvas is the 96-DPI one blown up ({blown} pixels differ)")
    # The line is centred: its middle and its top and bottom stay, while its
    # length may differ by what whole-pixel character widths allow.
    box, want = ink_box(frame), scaled(ink_box(base_frame), dpi)
    slack = 2 * dpi // 96
    middle, want_middle = box[0] + box[2], want[0] + want[2]
    length, want_length = box[2] - box[0], want[2] - want[0]
    if abs(middle - want_middle) > 2 * slack or not near(box[1::2], want[1::2], slack) or \
            abs(length - want_length) > want_length * 0.08:
        raise Failed(f"at {dpi} DPI the text covers {box}, the 96-DPI text scaled {want}")
    log(f"  {dpi} DPI canvas {width}x{height}: text at {box} (96-DPI place scaled {want}), "
        f"{blown} pixels differ from the 96-DPI frame blown up")


def sample(shot, x, y):
    """The 96-DPI picture at a point between its pixel centres, linearly."""
    width, height, _ = shot
    x, y = min(max(x - 0.5, 0.0), width - 1.001), min(max(y - 0.5, 0.0), height - 1.001)
    left, top = int(x), int(y)
    fx, fy = x - left, y - top
    corners = [pixel(shot, left + dx, top + dy) for dy in (0, 1) for dx in (0, 1)]
    weights = [(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy]
    return [sum(w * c[i] for w, c in zip(weights, corners)) for i in range(3)]


def check_pictures(base, shot, dpi):
    """The background and the buttons at the scale: the 96-DPI dialog enlarged
    smoothly, apart from the canvas and the controls the system draws."""
    base_layout, _, base_shot = base
    skip = [base_layout[name] for name in ("canvas", "answerBox", "slider")]
    width, height, _ = shot  # the part on the screen
    total = count = 0
    for y in range(0, height, 3):
        for x in range(0, width, 3):
            lx, ly = (x + 0.5) * 96 / dpi, (y + 0.5) * 96 / dpi
            if any(r[0] - 2 <= lx < r[2] + 2 and r[1] - 2 <= ly < r[3] + 2 for r in skip):
                continue
            want, got = sample(base_shot, lx, ly), pixel(shot, x, y)
            total += sum(abs(got[i] - want[i]) for i in range(3)) / 3
            count += 1
    mean = total / count
    if mean > 8:
        raise Failed(f"at {dpi} DPI the background and buttons are {mean:.1f} apart on average from the "
                     "96-DPI ones enlarged")
    log(f"  {dpi} DPI background and buttons: {mean:.1f} apart on average from the 96-DPI ones enlarged")


def run(dpi, base=None):
    """Starts the program at dpi; with the 96-DPI layout and frame, checks it and ends it."""
    set_dpi(dpi)
    program = Program(dpi)
    try:
        # An empty answer until the dialog exists.
        start = wait_for("the canvas", lambda: (lambda l: l if l.get("canvas", [0, 0, 0])[2] > 0 else None)(
            program.ask("layout")), timeout=60)
        layout, frame = program.settled(start["canvas"][2] - start["canvas"][0])
        shot = program.shot()
        if base is not None:
            check_layout(base[0], layout, dpi)
            check_drawn_anew(base[1], frame, dpi)
            check_pictures(base, shot, dpi)
    except BaseException:
        program.kill()
        raise
    if base is not None:
        program.kill()
    return program, layout, frame, shot


def steps():
    started = time.monotonic()
    program = None
    own_dpi = prefix_dpi()
    try:
        log("step: 96 DPI")
        program, layout, frame, shot = run(96)
        log(f"  96 DPI: client {layout['client']}, canvas {layout['canvas']}")
        program.kill()
        log("step: 144 and 192 DPI, each a new start")
        _, _, frame144, _ = run(144, (layout, frame, shot))
        run(192, (layout, frame, shot))

        log("step: the 96-DPI program moved to a 144-DPI monitor and back")
        program, _, _, _ = run(96)
        program.ask("dpi", 144)
        moved, moved_frame = program.settled(frame144[0])
        check_layout(layout, moved, 144)
        if moved_frame != frame144:
            raise Failed("moved to 144 DPI, the canvas differs from the one started at 144 DPI")
        program.ask("dpi", 96)
        back, back_frame = program.settled(frame[0])
        if {k: back[k] for k in ("client", "canvas", "buttons", "answerBox", "slider")} != \
                {k: layout[k] for k in ("client", "canvas", "buttons", "answerBox", "slider")}:
            raise Failed(f"back at 96 DPI the layout is {back}, it was {layout}")
        if back_frame != frame:
            raise Failed("back at 96 DPI the canvas differs from the first one")
        log("  at 144 DPI as if started there; back at 96 DPI as before, pixel for pixel")
        log(f"all steps passed in {time.monotonic() - started:.0f} s")
    finally:
        if program:
            program.kill()
        set_dpi(own_dpi)


if __name__ == "__main__":
    # A prefix of its own: a change of DPI is seen only by a server started
    # after it, and the Windows stage keeps its shared server running.
    sys.exit(run_driver(WORK, steps, prefix=PREFIX_OWN))

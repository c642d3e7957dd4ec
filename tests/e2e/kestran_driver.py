"""Drives the real KESTRAN program under a private X server.

What the end-to-end drill, the performance report and the soak run share:
a private Xvfb, the dialog's client origin, clicks and typing through real X
input (xdotool, or the XTest extension directly where the moment a key
lands must be known exactly), screenshots, fast pixel reads of the X screen,
and the drill state read from the running process's memory. Field offsets
come from the program's debug information (gdb on the file), so reading the
state never stops the process.
"""

import ctypes
import ctypes.util
import os
import re
import select
import shutil
import sqlite3
import subprocess
import tempfile
import time

SCREEN = (1024, 768)

# Places in the dialog's client area.
CANVAS = (58, 33, 480, 75)
OPEN_BUTTON = (264 + 38, 145 + 19)
ORDER_BUTTON = (165 + 52, 147 + 19)
MODE_BUTTON = (335 + 52, 147 + 19)
COLOUR_BUTTON = (123 + 25, 180 + 25)
EFFECTS_BUTTON = (457, 205)
ANSWER_BOX = (304, 202)
SLIDER_LEFT_END = (215, 237)
SLIDER_X = (211, 391)  # the slider with its arrows: position 0 at the left, 100 at the right
SLIDER_Y = 237

BLUE, YELLOW, BLACK, WHITE = (0, 0, 255), (255, 255, 0), (0, 0, 0), (255, 255, 255)


class DriverError(Exception):
    pass


def log(text):
    print(text, flush=True)


def expect(what, actual, wanted):
    if actual != wanted:
        raise DriverError(f"{what}: {actual} instead of {wanted}")


def run(*args, **kw):
    return subprocess.run(args, check=True, capture_output=True, text=True, **kw).stdout


def wait_for(what, condition, timeout=10.0, interval=0.1):
    end = time.time() + timeout
    while time.time() < end:
        if condition():
            return
        time.sleep(interval)
    raise DriverError(f"timed out waiting for {what}")


def count(pixels, colour, tolerance=40):
    return sum(1 for p in pixels if all(abs(a - b) <= tolerance for a, b in zip(p, colour)))


# --- The private X server ---------------------------------------------------

def _server_alive(n):
    """Whether display n's lock names a running process. A server that was
    killed leaves its lock behind; a new server takes over such a display."""
    try:
        with open(f"/tmp/.X{n}-lock") as lock:
            pid = int(lock.read().strip())
    except (OSError, ValueError):
        return os.path.exists(f"/tmp/.X11-unix/X{n}")
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        pass
    return True


def free_display():
    for n in range(70, 99):
        if not _server_alive(n):
            return f":{n}"
    raise RuntimeError("no free display number")


class VirtualScreen:
    """A private Xvfb and the environment that points programs at it."""

    def __init__(self, size=SCREEN, extra_env=None):
        self.size = size
        self.display = free_display()
        self.env = dict(os.environ, DISPLAY=self.display)
        self.env.pop("QT_QPA_PLATFORM", None)
        # What the program keeps for the learner goes to a folder of the
        # test's own, never to the real user's data folder.
        self.data_home = tempfile.mkdtemp(prefix="kestran-data-")
        self.env["XDG_DATA_HOME"] = self.data_home
        self.env.update(extra_env or {})
        # -noreset: by default the server starts over whenever its last
        # client leaves, and a program connecting meanwhile (right after the
        # readiness probe, or after the program before it ended) is refused.
        self.process = subprocess.Popen(
            ["Xvfb", self.display, "-screen", "0", f"{size[0]}x{size[1]}x24", "-nolisten", "tcp", "-noreset"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def wait_ready(self, timeout=10.0):
        wait_for("the X server",
                 lambda: subprocess.run(["xdpyinfo"], env=self.env, capture_output=True).returncode == 0,
                 timeout)

    def xdo(self, *args):
        return subprocess.run(["xdotool", *map(str, args)], env=self.env, capture_output=True, text=True).stdout

    def close(self):
        shutil.rmtree(self.data_home, ignore_errors=True)
        # Asked to end, the server removes its lock and socket.
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


# --- Fast looks at the X screen and exact key presses (Xlib through ctypes) --

class _XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


class _DamageNotify(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("drawable", ctypes.c_ulong), ("damage", ctypes.c_ulong),
                ("level", ctypes.c_int), ("more", ctypes.c_int), ("timestamp", ctypes.c_ulong),
                ("x", ctypes.c_short), ("y", ctypes.c_short), ("w", ctypes.c_ushort), ("h", ctypes.c_ushort)]


class _XEvent(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("damage", _DamageNotify), ("pad", ctypes.c_long * 24)]


_ZPIXMAP = 2
_ALL_PLANES = ctypes.c_ulong(0xFFFFFFFF)
_DAMAGE_RAW_RECTANGLES = 0


def _load(name):
    path = ctypes.util.find_library(name)
    if not path:
        raise DriverError(f"lib{name} is missing")
    return ctypes.CDLL(path)


class XClient:
    """A direct Xlib connection: one pixel of the screen costs about 0.1 ms."""

    def __init__(self, display):
        self.x = _load("X11")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XGetImage.restype = ctypes.POINTER(_XImage)
        self.x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                     ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.x.XGetPixel.restype = ctypes.c_ulong
        self.x.XGetPixel.argtypes = [ctypes.POINTER(_XImage), ctypes.c_int, ctypes.c_int]
        self.x.XDestroyImage.argtypes = [ctypes.POINTER(_XImage)]
        self.x.XStringToKeysym.restype = ctypes.c_ulong
        self.x.XStringToKeysym.argtypes = [ctypes.c_char_p]
        self.x.XKeysymToKeycode.restype = ctypes.c_ubyte
        self.x.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        for f in ("XSync", "XFlush", "XPending", "XConnectionNumber", "XNextEvent", "XCloseDisplay"):
            getattr(self.x, f).argtypes = [ctypes.c_void_p] + ([ctypes.c_int] if f == "XSync" else
                                                                 [ctypes.c_void_p] if f == "XNextEvent" else [])
        self.dpy = self.x.XOpenDisplay(display.encode())
        if not self.dpy:
            raise DriverError(f"cannot open display {display}")
        self.root = self.x.XDefaultRootWindow(self.dpy)
        self._xtst = None
        self._damage = None

    def close(self):
        if self.dpy:
            self.x.XCloseDisplay(self.dpy)
            self.dpy = None

    def pixel(self, x, y):
        """The (r, g, b) of one screen pixel."""
        image = self.x.XGetImage(self.dpy, self.root, x, y, 1, 1, _ALL_PLANES, _ZPIXMAP)
        if not image:
            raise DriverError("XGetImage failed")
        value = self.x.XGetPixel(image, 0, 0)
        self.x.XDestroyImage(image)
        return (value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF

    def row(self, x, y, width):
        """One screen row as 32-bit B, G, R, X bytes per pixel."""
        image = self.x.XGetImage(self.dpy, self.root, x, y, width, 1, _ALL_PLANES, _ZPIXMAP)
        if not image:
            raise DriverError("XGetImage failed")
        if image.contents.bits_per_pixel != 32:
            self.x.XDestroyImage(image)
            raise DriverError("expected a 32-bit screen image")
        data = ctypes.string_at(image.contents.data, width * 4)
        self.x.XDestroyImage(image)
        return data

    # Key presses through XTest, the extension xdotool itself uses: the
    # press is on the server when this returns.
    def press_key(self, keysym_name):
        if self._xtst is None:
            self._xtst = _load("Xtst")
            self._xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        code = self.x.XKeysymToKeycode(self.dpy, self.x.XStringToKeysym(keysym_name.encode()))
        if not code:
            raise DriverError(f"no key code for {keysym_name}")
        self._xtst.XTestFakeKeyEvent(self.dpy, code, 1, 0)
        self.x.XSync(self.dpy, 0)
        pressed = time.perf_counter()
        self._xtst.XTestFakeKeyEvent(self.dpy, code, 0, 0)
        self.x.XSync(self.dpy, 0)
        return pressed

    # Screen updates of one window, each timestamped as it arrives.
    def watch_damage(self, window):
        lib = _load("Xdamage")
        lib.XDamageQueryExtension.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                              ctypes.POINTER(ctypes.c_int)]
        lib.XDamageCreate.restype = ctypes.c_ulong
        lib.XDamageCreate.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int]
        lib.XDamageDestroy.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        event_base, error_base = ctypes.c_int(), ctypes.c_int()
        if not lib.XDamageQueryExtension(self.dpy, ctypes.byref(event_base), ctypes.byref(error_base)):
            raise DriverError("the X server has no DAMAGE extension")
        self._damage = (lib, lib.XDamageCreate(self.dpy, window, _DAMAGE_RAW_RECTANGLES), event_base.value)
        self.x.XFlush(self.dpy)

    def damage_events(self, seconds, tag=None):
        """(arrival time, x, y, w, h[, tag()]) of every damaged rectangle for
        `seconds`; `tag` is called as each arrives."""
        lib, damage, base = self._damage
        fd = self.x.XConnectionNumber(self.dpy)
        event = _XEvent()
        found = []
        end = time.perf_counter() + seconds
        while True:
            while self.x.XPending(self.dpy):
                self.x.XNextEvent(self.dpy, ctypes.byref(event))
                now = time.perf_counter()
                if event.type == base:  # XDamageNotify
                    d = event.damage
                    found.append((now, d.x, d.y, d.w, d.h) + ((tag(),) if tag else ()))
            left = end - time.perf_counter()
            if left <= 0:
                break
            select.select([fd], [], [], left)
        lib.XDamageDestroy(self.dpy, damage)
        self.x.XSync(self.dpy, 0)
        self._damage = None
        return found


# --- Reading the program's state --------------------------------------------

INT_FIELDS = ["listLoaded", "wordCount", "practiceIndex", "practiceFinished", "paused", "practiceHitAnim",
              "randomOrder", "testMode", "testIndex", "testFinished", "testScore", "correctCount", "wrongCount",
              "scrollX", "animFrame", "hitAnimX", "practiceDrawn", "effectsOff", "randomPassStarted"]
TEXT_FIELDS = ["resultText", "correctText", "wrongText"]
POINTER_FIELDS = ["WordTable"]


class StateLayout:
    """Where each field of the drill state lies, from the debug information."""

    def __init__(self, exe):
        self.exe = os.path.realpath(exe)
        exprs = ["print (long)&kestran::drill"]
        for f in INT_FIELDS + POINTER_FIELDS:
            exprs.append(f"print (long)&kestran::drill.{f} - (long)&kestran::drill")
            exprs.append(f"print sizeof(kestran::drill.{f})")
        for f in TEXT_FIELDS:
            exprs.append(f"print (long)&kestran::drill.{f}.bytes_ - (long)&kestran::drill")
            exprs.append(f"print sizeof(kestran::drill.{f}.bytes_)")
        args = ["gdb", "-batch", "-nx", exe]
        for e in exprs:
            args += ["-ex", e]
        values = [int(v) for v in re.findall(r"^\$\d+ = (-?\d+)", run(*args), re.M)]
        if len(values) != len(exprs):
            raise DriverError("could not read the layout of the drill state")
        self.base = values[0]
        self.fields = {}
        for i, f in enumerate(INT_FIELDS + POINTER_FIELDS + TEXT_FIELDS):
            self.fields[f] = (values[1 + 2 * i], values[2 + 2 * i])


class StateReader:
    """Reads drill fields from the memory of one running process."""

    def __init__(self, layout, pid):
        self.layout = layout
        self.pid = pid
        self.base = self._load_address() + layout.base
        self.mem = open(f"/proc/{pid}/mem", "rb", buffering=0)

    def _load_address(self):
        with open(f"/proc/{self.pid}/maps") as maps:
            for line in maps:
                if line.rstrip().endswith(self.layout.exe):
                    return int(line.split("-")[0], 16)
        raise DriverError("the program is not mapped")

    def close(self):
        self.mem.close()

    def raw(self, address, size):
        self.mem.seek(address)
        return self.mem.read(size)

    def int(self, field):
        offset, size = self.layout.fields[field]
        self.mem.seek(self.base + offset)
        return int.from_bytes(self.mem.read(size), "little", signed=True)

    def read(self, *fields):
        result = {}
        for f in fields:
            offset, size = self.layout.fields[f]
            data = self.raw(self.base + offset, size)
            if f in TEXT_FIELDS:
                result[f] = data.split(b"\0")[0]
            else:
                result[f] = int.from_bytes(data, "little", signed=f not in POINTER_FIELDS)
        return result

    def word(self, index):
        """The English word of entry `index` as the program holds it."""
        table = self.read("WordTable")["WordTable"]
        return self.raw(table + 256 * index, 128).split(b"\0")[0]


# --- The program in its window ----------------------------------------------

class Screenshot:
    def __init__(self, screen, path=None):
        self.size = screen.size
        self.raw = subprocess.run(["import", "-display", screen.display, "-window", "root", "-depth", "8", "rgb:-"],
                                  env=screen.env, capture_output=True, check=True).stdout
        if path:
            subprocess.run(["convert", "-size", f"{self.size[0]}x{self.size[1]}", "-depth", "8", "rgb:-", path],
                           input=self.raw, check=True)

    def pixel(self, x, y):
        i = (y * self.size[0] + x) * 3
        return tuple(self.raw[i:i + 3])

    def region(self, x, y, w, h):
        return [self.pixel(x + dx, y + dy) for dy in range(h) for dx in range(w)]


class Kestran:
    """The program running on a VirtualScreen."""

    def __init__(self, exe, screen, home, layout=None, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL):
        self.exe = exe
        self.screen = screen
        self.home = home
        self.layout = layout
        self.process = None
        self.reader = None
        self.started_at = None
        self.slider = 50
        self.stdout, self.stderr = stdout, stderr

    def start(self):
        self.slider = 50
        self.started_at = time.perf_counter()
        self.process = subprocess.Popen([self.exe], cwd=self.home, env=self.screen.env,
                                        stdout=self.stdout, stderr=self.stderr)
        return self.process

    @property
    def pid(self):
        return self.process.pid

    def alive(self):
        return self.process is not None and self.process.poll() is None

    def prepare(self, source):
        """RES from the source tree in the program's folder, the X server up,
        and the drill state's layout read."""
        shutil.copytree(os.path.join(source, "RES"), os.path.join(self.home, "RES"))
        self.screen.wait_ready()
        self.layout = StateLayout(self.exe)

    def launch(self, settle=1.0):
        """Starts the program and gives its window a moment to settle."""
        self.start()
        self.wait_window()
        time.sleep(settle)

    def stop(self):
        if self.reader:
            self.reader.close()
            self.reader = None
        if self.alive():
            self.process.kill()
        if self.process:
            self.process.wait()

    def window_id(self):
        found = self.screen.xdo("search", "--onlyvisible", "--name", "^KESTRAN$").split()
        return int(found[0]) if found else None

    def wait_window(self, timeout=10.0):
        wait_for("the window", lambda: self.window_id() is not None, timeout)

    def client_origin(self):
        wid = self.window_id()
        if wid is None:
            raise DriverError("no KESTRAN window")
        geometry = self.screen.xdo("getwindowgeometry", wid)
        m = re.search(r"Position: (\d+),(\d+)", geometry)
        return int(m.group(1)), int(m.group(2))

    def screen_of(self, point):
        ox, oy = self.client_origin()
        return ox + point[0], oy + point[1]

    def canvas_region(self, shot):
        x, y = self.screen_of(CANVAS[:2])
        return shot.region(x, y, CANVAS[2], CANVAS[3])

    # --- Input ---------------------------------------------------------------
    def click(self, point):
        x, y = self.screen_of(point)
        self.screen.xdo("mousemove", x, y)
        time.sleep(0.05)
        self.screen.xdo("click", 1)
        time.sleep(0.15)

    def type_text(self, text, delay_ms=15):
        self.screen.xdo("type", "--delay", str(delay_ms), text)

    def key(self, name):
        self.screen.xdo("key", name)
        time.sleep(0.1)

    def drag_slider(self, position):
        """Drags the speed slider's thumb to `position` (0..100; beyond the
        trough's ends for 0 and 100). The thumb's place is not in the drill
        state; it starts at 50 and snaps to 0, 50 or 100 on release."""
        left, right = SLIDER_X
        x0, y = self.screen_of((left, SLIDER_Y))
        span = right - left
        target = x0 - 20 if position <= 0 else x0 + span + 20 if position >= 100 else x0 + round(span * position / 100)
        # The thumb (27 px) travels between the two 15-px arrows.
        grab = x0 + 28 + round((span - 57) * self.slider / 100)
        self.screen.xdo("mousemove", grab, y)
        self.screen.xdo("mousedown", 1)
        self.screen.xdo("mousemove", (grab + target) // 2, y)
        self.screen.xdo("mousemove", target, y)
        time.sleep(0.05)
        self.screen.xdo("mouseup", 1)
        time.sleep(0.1)
        self.slider = 0 if position < 25 else 50 if position < 75 else 100

    def open_list(self, path, settle=1.0):
        """Opens a list through the open button and the file dialog."""
        self.click(OPEN_BUTTON)
        time.sleep(settle)
        self.type_text(path)
        self.key("Return")

    def answer_test(self, wrong=()):
        """Answers every question of a file-order test; the positions in `wrong` get a wrong word."""
        for i in range(self.state("wordCount")["wordCount"]):
            index = self.state("testIndex")["testIndex"]
            self.type_text("nope" if i in wrong else self.reader.word(index).decode())
            self.key("Return")
        wait_for("the result", lambda: self.state("testFinished")["testFinished"] == 1)

    # --- State -----------------------------------------------------------------
    def state(self, *fields):
        if self.reader is None or self.reader.pid != self.pid:
            self.reader = StateReader(self.layout, self.pid)
        return self.reader.read(*fields)

    def field(self, name):
        if self.reader is None or self.reader.pid != self.pid:
            self.reader = StateReader(self.layout, self.pid)
        return self.reader.int(name)

    def rss_kib(self):
        with open(f"/proc/{self.pid}/status") as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
        raise DriverError("no VmRSS")

    def cpu_ticks(self):
        with open(f"/proc/{self.pid}/stat") as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])  # utime + stime


# --- What the scenario drivers share -----------------------------------------

def write_list(path, entries):
    """A word list as a learner's file holds it: GBK, one `word meaning` a line."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write("".join(f"{w} {m}\r\n" for w, m in entries).encode("gbk"))


def stand_in_opener(folder, opened, status=0):
    """The desktop's opener as `folder`/xdg-open (the folder goes first on
    PATH): notes its argument in `opened` and answers `status`."""
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "xdg-open")
    with open(path, "w") as f:
        f.write(f"#!/bin/sh\nprintf '%s' \"$1\" > '{opened}'\nexit {status}\n")
    os.chmod(path, 0o755)
    if os.path.exists(opened):
        os.remove(opened)


def record_rows(screen, sql):
    """Rows of the study record in the screen's data folder; none before it exists."""
    path = os.path.join(screen.env["XDG_DATA_HOME"], "kestran", "\u5b66\u4e60\u8bb0\u5f55.db")  # 学习记录.db
    if not os.path.exists(path):
        return []
    with sqlite3.connect(f"file:{path}?mode=ro", uri=True, timeout=10) as db:
        return db.execute(sql).fetchall()


def run_scenario(main, work, screen, kestran):
    """Runs a driver's main(); its exit status. The program and the X server
    end either way; `work` is kept for a look when main() failed, or when
    KESTRAN_E2E_KEEP is set."""
    status = 1
    try:
        main()
        status = 0
        log("PASSED")
    except DriverError as e:
        log(f"FAILED: {e}; files kept in {work}")
    finally:
        kestran.stop()
        screen.close()
        if status == 0 and not os.environ.get("KESTRAN_E2E_KEEP"):
            shutil.rmtree(work, ignore_errors=True)
    return status

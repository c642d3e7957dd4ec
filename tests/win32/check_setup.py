#!/usr/bin/env python3
"""The setup program under Wine, in one prefix, as a learner meets it.

An older build is installed first, then this one over it silently; its
Start-menu shortcut starts the installed program in the install folder, a
list opens and its first word typed is taken as a hit, and Esc then OK ends
it with status 0. A setup started while the program runs stops without
touching it. The uninstaller removes what was installed and leaves the
learner's own lists and data.

usage: check_setup.py SETUP_EXE ZIP ICON   (WINEPREFIX and DISPLAY set; the
prefix's server running)
"""

import glob
import os
import re
import shutil
import struct
import subprocess
import sys
import time
import zipfile

sys.dont_write_bytecode = True  # no cache folder in the source tree
from wine_driver import PREFIX_GIVEN, Failed, log, run, scratch  # noqa: E402
import wine_driver  # noqa: E402

SETUP, ZIP, ICON = map(os.path.abspath, sys.argv[1:4])
VERSION = re.search(r"KESTRAN-([0-9.]+)-setup\.exe$", SETUP).group(1)
MAKE_SETUP = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "packaging", "windows",
                          "make_setup.sh")
WORK = scratch("setup")
# Wine would otherwise turn every new shortcut into a menu entry of the Linux desktop.
ENV = dict(os.environ, WINEDEBUG="-all", WINEDLLOVERRIDES="winemenubuilder.exe=d")
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\KESTRAN"
SHORTCUT = "KESTRAN 背单词.lnk"
OPEN_BUTTON_CENTRE = (264 + 38, 145 + 19)  # in client pixels
BELOW_CANVAS = 33 + 75 + 8
FIRST_WORD = "apple"  # of lists\everyday-100.txt, the word a pass in file order starts with

PROFILE = [p for p in glob.glob(os.path.join(os.environ["WINEPREFIX"], "drive_c", "users", "*"))
           if os.path.basename(p) != "Public"][0]
USER = os.path.basename(PROFILE)
INSTALL = os.path.join(PROFILE, "AppData", "Local", "Programs", "KESTRAN")
INSTALL_WIN = rf"C:\users\{USER}\AppData\Local\Programs\KESTRAN"
START_MENU = os.path.join(PROFILE, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu", "Programs")
DESKTOP = os.path.join(PROFILE, "Desktop")
DATA = os.path.join(PROFILE, "AppData", "Roaming", "KESTRAN")
# Put by the learner where the program and its uninstaller must leave them.
LEARNER_FILES = {os.path.join("lists", "我的词表.txt"): "apple 苹果\r\n".encode("gbk"),
                 "my-words.txt": "pear 梨\r\n".encode("gbk")}


def wine(*args):
    return subprocess.run(["wine", *args], env=ENV, capture_output=True).returncode


def wait_for(what, condition, timeout=30.0):
    # The installer and the shell are slower to answer than the drill, and asked less often.
    return wine_driver.wait_for(what, condition, timeout, every=0.2)


def files_under(folder):
    return {os.path.relpath(os.path.join(d, f), folder) for d, _, fs in os.walk(folder) for f in fs}


def read_shortcut(path):
    """Target and working folder of a shell link, read as its file format lays them out."""
    data = open(path, "rb").read()
    flags = struct.unpack_from("<I", data, 0x14)[0]
    at = 0x4C
    if flags & 0x1:  # item id list
        at += 2 + struct.unpack_from("<H", data, at)[0]
    target = None
    if flags & 0x2:  # link info: local base path and common suffix, system code page
        size, _, _, _, base, _, suffix = struct.unpack_from("<7I", data, at)
        cstr = lambda o: data[at + o:data.index(b"\0", at + o)].decode("gbk")
        target = cstr(base) + cstr(suffix)
        at += size
    strings = {}
    for bit, name in ((0x4, "name"), (0x8, "relative"), (0x10, "workdir"), (0x20, "args"), (0x40, "icon")):
        if flags & bit:
            count = struct.unpack_from("<H", data, at)[0]
            width = 2 if flags & 0x80 else 1
            raw = data[at + 2:at + 2 + count * width]
            # Wine counts the terminating NUL in; Windows does not.
            strings[name] = raw.decode("utf-16-le" if width == 2 else "gbk").rstrip("\0")
            at += 2 + count * width
    return target, strings.get("workdir")


def uninstall_values():
    """The uninstall entry's values, or None when the key is absent."""
    if wine("reg", "query", UNINSTALL_KEY) != 0:
        return None
    out = os.path.join(WORK, "key.reg")
    if wine("reg", "export", UNINSTALL_KEY, "Z:" + out.replace("/", "\\"), "/y") != 0:
        raise Failed("reg export of the uninstall key failed")
    values = {}
    for line in open(out, encoding="utf-16").read().splitlines():
        m = re.match(r'^"(\w+)"=(?:"(.*)"|dword:([0-9a-f]{8}))$', line)
        if m:
            text = m.group(2)
            values[m.group(1)] = int(m.group(3), 16) if text is None else re.sub(r'\\(.)', r'\1', text)
    return values


def controls_pixels(window):
    """The window's rows below the canvas (buttons, answer box, slider), read from
    the X server. The canvas is left out: under Wine on a virtual X server its
    Direct3D frames do not show there."""
    dump = subprocess.run(["xwd", "-silent", "-id", window], capture_output=True, check=True).stdout
    header = struct.unpack_from(">25I", dump)
    header_size, height, line, colours = header[0], header[5], header[12], header[19]
    pixels = dump[header_size + 12 * colours:]
    return pixels[BELOW_CANVAS * line:height * line]


def differing(a, b):
    return sum(1 for i in range(0, min(len(a), len(b)), 4) if a[i:i + 4] != b[i:i + 4])


def windows_named(pattern):
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", pattern], capture_output=True, text=True)
    return out.stdout.split()


def check_installed(stage_files, version):
    installed = files_under(INSTALL)
    want = stage_files | {"Uninstall.exe"} | set(LEARNER_FILES)
    if installed != want:
        raise Failed(f"install folder: missing {sorted(want - installed)}, extra {sorted(installed - want)}")
    values = uninstall_values()
    stage_kb = sum(os.path.getsize(os.path.join(INSTALL, f)) for f in stage_files) // 1024
    want = {"DisplayName": "KESTRAN 背单词", "DisplayVersion": version, "Publisher": "KESTRAN",
            "DisplayIcon": INSTALL_WIN + r"\KESTRAN.exe,0", "InstallLocation": INSTALL_WIN,
            "UninstallString": f'"{INSTALL_WIN}\\Uninstall.exe"',
            "QuietUninstallString": f'"{INSTALL_WIN}\\Uninstall.exe" /S', "NoModify": 1, "NoRepair": 1}
    wrong = {k: (values.get(k), v) for k, v in want.items() if values.get(k) != v}
    if wrong or abs(values.get("EstimatedSize", 0) - stage_kb) > stage_kb // 10:
        raise Failed(f"uninstall entry (found, expected): {wrong}; EstimatedSize {values.get('EstimatedSize')} "
                     f"KB for {stage_kb} KB of files")
    target, workdir = read_shortcut(os.path.join(START_MENU, SHORTCUT))
    if (target.lower(), (workdir or "").lower()) != ((INSTALL_WIN + r"\KESTRAN.exe").lower(), INSTALL_WIN.lower()):
        raise Failed(f"Start-menu shortcut to {target!r} in {workdir!r}")
    if not os.path.exists(os.path.join(DESKTOP, SHORTCUT)):
        raise Failed("no desktop shortcut")
    log(f"  {len(installed)} files as the zip has them (the word books' under their Chinese names), uninstall entry {want['DisplayName']} {version} "
        f"({values['EstimatedSize']} KB), shortcut to {target} in {workdir}")


def run_from_shortcut():
    """Starts the program through its shortcut; returns the process and its window."""
    os.remove(os.path.join(INSTALL, "RES", "bk.bmp"))
    link = rf"C:\users\{USER}\AppData\Roaming\Microsoft\Windows\Start Menu\Programs\{SHORTCUT}"
    process = subprocess.Popen(["wine", "start", "/wait", link], env=ENV, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    window = wait_for("the main dialog", lambda: windows_named("^KESTRAN$"), timeout=60)[0]
    # The program writes RES\bk.bmp again when it is missing: it found its pictures.
    wait_for("RES\\bk.bmp written again in the install folder",
             lambda: os.path.exists(os.path.join(INSTALL, "RES", "bk.bmp")), timeout=5)
    return process, window


def open_list_and_hit(window):
    """Opens a list through the open button, then types its first word: the drill
    takes the hit and clears the answer box, which only a loaded list does."""
    # Named windows only: the dialog leaves an unnamed helper window mapped.
    before = set(windows_named(".+"))
    subprocess.run(["xdotool", "mousemove", "--window", window, *map(str, OPEN_BUTTON_CENTRE), "click", "1"],
                   check=True)
    dialog = wait_for("the open-file dialog", lambda: set(windows_named(".+")) - before)
    subprocess.run(["xdotool", "type", "--delay", "20", INSTALL_WIN + r"\lists\everyday-100.txt"], check=True)
    subprocess.run(["xdotool", "key", "Return"], check=True)
    wait_for("the open-file dialog to close", lambda: not dialog & set(windows_named(".+")))

    def repainted():
        first = controls_pixels(window)
        time.sleep(0.3)
        return first if differing(controls_pixels(window), first) < 60 else None
    empty = wait_for("the window repainted where the dialog was", repainted, timeout=10)
    # What is typed shows in the answer box (a blinking caret is a few pixels).
    subprocess.run(["xdotool", "type", "--delay", "30", "zzzzzz"], check=True)
    wait_for("typed text in the answer box", lambda: differing(controls_pixels(window), empty) > 150, timeout=5)
    subprocess.run(["xdotool", "key", *["BackSpace"] * 6], check=True)
    wait_for("an empty answer box", lambda: differing(controls_pixels(window), empty) < 60, timeout=5)
    subprocess.run(["xdotool", "type", "--delay", "30", FIRST_WORD], check=True)
    time.sleep(0.5)  # not to take a window not yet repainted with the word for an empty box
    wait_for(f"the hit on {FIRST_WORD!r} to clear the answer box",
             lambda: differing(controls_pixels(window), empty) < 60, timeout=10)


def quit_program(process):
    subprocess.run(["xdotool", "key", "Escape"], check=True)
    wait_for("the exit question", lambda: len(windows_named("^KESTRAN$")) >= 2)
    subprocess.run(["xdotool", "key", "Return"], check=True)
    try:
        status = process.wait(timeout=20)
    except subprocess.TimeoutExpired:
        raise Failed("Esc then OK did not end the program") from None
    if status != 0:
        raise Failed(f"Esc then OK ended the program with status {status}")


def steps():
    started = time.monotonic()
    process = None
    try:
        stage = os.path.join(WORK, "stage")
        with zipfile.ZipFile(ZIP) as z:
            z.extractall(stage)
        stage = glob.glob(os.path.join(stage, "*"))[0]
        stage_files = {f.replace("/", "\\") for f in files_under(stage)}
        books = {f for f in stage_files if f.startswith("lists\\词库\\")}
        if not {r"lists\词库\books.tsv", r"lists\词库\phonetics.tsv", r"lists\词库\LICENSE-ECDICT.txt",
                r"lists\词库\四级\四级-001.txt"} <= books:
            raise Failed(f"the zip holds no word books under lists\\词库 ({len(books)} files there)")
        # Wine links the desktop folder to the Linux home folder.
        if os.path.islink(DESKTOP):
            os.unlink(DESKTOP)
            os.mkdir(DESKTOP)

        log("step: an older build with a file this one no longer ships")
        old_stage = os.path.join(WORK, "old")
        shutil.copytree(stage, old_stage)
        shutil.copy(os.path.join(stage, "RES", "27.png"), os.path.join(old_stage, "RES", "retired.png"))
        old_setup = os.path.join(WORK, "KESTRAN-0.9.0.0-setup.exe")
        subprocess.run(["sh", MAKE_SETUP, old_stage, "0.9.0.0", ICON, old_setup], check=True)
        if wine(old_setup, "/S") != 0 or not os.path.exists(os.path.join(INSTALL, "RES", "retired.png")):
            raise Failed("the older build did not install")
        for name, data in LEARNER_FILES.items():
            with open(os.path.join(INSTALL, name), "wb") as f:
                f.write(data)
        os.makedirs(DATA, exist_ok=True)
        with open(os.path.join(DATA, "错题本.txt"), "wb") as f:
            f.write("pear 梨\r\n".encode("gbk"))

        log("step: setup.exe /S over it replaces it and keeps the learner's lists")
        if wine(SETUP, "/S") != 0:
            raise Failed("setup.exe /S failed")
        check_installed({f.replace("\\", os.sep) for f in stage_files}, VERSION)

        log("step: the Start-menu shortcut starts it in the install folder; a list opens and drills")
        process, window = run_from_shortcut()
        open_list_and_hit(window)

        log("step: a setup started while it runs stops and leaves it alone")
        status = wine(SETUP, "/S")
        if status != 2 or not os.path.exists(os.path.join(INSTALL, "Uninstall.exe")):
            raise Failed(f"setup over the running program ended with {status}")

        log("step: Esc then OK ends it with status 0")
        quit_program(process)
        process = None

        log("step: Uninstall.exe /S removes the install and keeps the learner's lists and data")
        if wine(os.path.join(INSTALL, "Uninstall.exe"), "/S") != 0:
            raise Failed("Uninstall.exe /S failed")
        # It goes on in a copy of itself; its last act removes the key.
        wait_for("the uninstall entry to go", lambda: uninstall_values() is None)
        left = files_under(INSTALL)
        if left != set(LEARNER_FILES):
            raise Failed(f"the install folder holds {sorted(left)} afterwards")
        for gone in (os.path.join(START_MENU, SHORTCUT), os.path.join(DESKTOP, SHORTCUT)):
            if os.path.exists(gone):
                raise Failed(f"{gone} is still there")
        if not os.path.exists(os.path.join(DATA, "错题本.txt")):
            raise Failed("the learner's data folder was emptied")
        log(f"Setup program: installed over an older build, started, uninstalled in {time.monotonic() - started:.0f} s")
    finally:
        if process and process.poll() is None:
            process.kill()


def keep_screen():
    subprocess.run(["xwd", "-silent", "-root", "-out", os.path.join(WORK, "screen.xwd")], check=False)


if __name__ == "__main__":
    sys.exit(run(WORK, steps, prefix=PREFIX_GIVEN, on_failure=keep_screen))

#!/usr/bin/env python3
"""学习报告 in the Windows program under Wine: F12 writes 学习报告.html into
the data folder and hands it to the shell (ShellExecute), which Wine passes
on to the desktop's opener: here a stand-in xdg-open on PATH that notes what
it was given. The page it got is the report.

usage: e2e_wine_report.py KESTRAN_EXE SOURCE_DIR
"""

import os
import shutil
import subprocess
import sys
import urllib.parse

sys.dont_write_bytecode = True  # no cache folder in the source tree
from wine_driver import Failed, log, run, scratch, wait_for, xdo  # noqa: E402

EXE, SOURCE = sys.argv[1:3]
WORK = scratch("wine-report")
OPENED = os.path.join(WORK, "opened")


def steps():
    bin_folder = os.path.join(WORK, "bin")
    os.makedirs(bin_folder)
    opener = os.path.join(bin_folder, "xdg-open")
    with open(opener, "w") as f:
        f.write(f"#!/bin/sh\nprintf '%s' \"$1\" > '{OPENED}'\n")
    os.chmod(opener, 0o755)
    home = os.path.join(WORK, "home")
    shutil.copytree(os.path.join(SOURCE, "RES"), os.path.join(home, "RES"))
    env = dict(os.environ, LANG="zh_CN.UTF-8", WINEDEBUG="-all", PATH=bin_folder + ":" + os.environ["PATH"])
    program = subprocess.Popen(["wine", EXE], cwd=home, env=env, stdout=subprocess.DEVNULL,
                               stderr=open(os.path.join(WORK, "kestran.log"), "w"))
    try:
        log("step: the window, then F12")
        window = wait_for("the window", lambda: subprocess.run(
            ["xdotool", "search", "--onlyvisible", "--name", "^KESTRAN$"], capture_output=True, text=True).stdout.split(),
                          timeout=90)[0]
        # Focus given as soon as the window takes it (it is mapped a moment
        # after it is found).
        wait_for("the focus", lambda: subprocess.run(["xdotool", "windowfocus", "--sync", window],
                                                     capture_output=True).returncode == 0, timeout=30, every=0.5)
        xdo("key", "F12")
        wait_for("the opener", lambda: os.path.exists(OPENED), timeout=60)
        with open(OPENED, encoding="utf-8") as f:
            handed = f.read()
        log(f"the shell handed on {handed}")
        path = urllib.parse.unquote(urllib.parse.urlparse(handed).path) if handed.startswith("file:") else handed
        if not path.endswith("/\u5b66\u4e60\u62a5\u544a.html") or not os.path.exists(path):  # 学习报告.html
            raise Failed(f"the opener got {handed!r}, not the report")
        with open(path, encoding="utf-8") as f:
            page = f.read()
        if "<script" in page or 'data-chart="calendar"' not in page:
            raise Failed("the page handed on is not the report")
    finally:
        program.kill()
        program.wait()


if __name__ == "__main__":
    sys.exit(run(WORK, steps))

"""What every driver of the Windows program under Wine needs: a scratch folder,
a Wine prefix and the end of its server, waiting for a condition, X input, and
one way to end with a status.

A driver writes its steps as a function and ends with
    sys.exit(wine_driver.run(WORK, steps))
run() gives the steps a prefix of their own (see PREFIX_*), tells a failure
with the folder it keeps for a look, ends the server of a prefix it made, and
removes the scratch folder when the steps passed.
"""

import os
import shutil
import subprocess
import tempfile
import time

# Where the steps run:
PREFIX_OWN_UNLESS_GIVEN = "own unless given"  # WINEPREFIX when set (the Windows stage's shared one), else a new one
PREFIX_OWN = "own"  # always a new one, e.g. to see a setting that only a new server reads
PREFIX_GIVEN = "given"  # WINEPREFIX must be set and its server running; it is left running

# What a step that failed raises, besides Failed itself.
FAILURES = (subprocess.CalledProcessError, OSError, ValueError, KeyError)


class Failed(Exception):
    pass


def log(text):
    print(text, flush=True)


def scratch(name):
    """A new folder for one run's files, frames and logs."""
    return tempfile.mkdtemp(prefix=f"kestran-{name}-")


def wait_for(what, condition, timeout=15.0, every=0.05):
    """condition()'s first true value, asked every `every` seconds for at most `timeout`."""
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = condition()
        if value:
            return value
        time.sleep(every)
    raise Failed(f"timed out waiting for {what}")


def xdo(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True, capture_output=True)


def own_prefix(work, prefix):
    """Points WINEPREFIX at a new prefix in work when the mode asks for one; True when it did."""
    if prefix == PREFIX_GIVEN or (prefix == PREFIX_OWN_UNLESS_GIVEN and "WINEPREFIX" in os.environ):
        if "WINEPREFIX" not in os.environ:
            raise Failed("WINEPREFIX is not set")
        return False
    os.environ["WINEPREFIX"] = os.path.join(work, "prefix")
    os.environ["WINEARCH"] = "win32"
    return True


def run(work, steps, prefix=PREFIX_OWN_UNLESS_GIVEN, on_failure=None):
    """Runs steps() in the prefix the mode gives; 0 when they passed, else 1.
    on_failure() may keep more for a look (a picture of the screen) before the
    server ends."""
    made = False
    passed = False
    try:
        made = own_prefix(work, prefix)
        steps()
        passed = True
    except (Failed,) + FAILURES as e:
        log(f"FAILED: {e}\nframes and logs kept in {work}")
        if on_failure:
            on_failure()
    finally:
        if made:
            subprocess.run(["wineserver", "-k"], check=False)
        if passed:
            shutil.rmtree(work, ignore_errors=True)
    return 0 if passed else 1

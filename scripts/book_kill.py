#!/usr/bin/env python3
"""The wrong-word book survives kill -9: 200 misses are written one by one
while the writing program is killed at random moments, and after every kill
the book must load, hold its entries in order, and have lost nothing but
possibly the miss being written when the kill came.

  scripts/book_kill.py HELPER [MISSES]

HELPER is tests/features/book_kill_helper from the build tree. The book is
kept in a temporary data folder, never the user's."""
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time


def main():
    helper = sys.argv[1]
    misses = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    data = tempfile.mkdtemp(prefix="kestran-kill-")
    env = dict(os.environ, XDG_DATA_HOME=data)
    rng = random.Random(int(os.environ.get("KESTRAN_KILL_SEED", "22")))
    kills = lost_in_flight = 0
    held = 0
    per_miss = 0.003
    try:
        while held < misses:
            # Killed a random few misses in, a random moment after the last
            # one was reported: somewhere inside the writing of the next.
            p = subprocess.Popen([helper, "add", str(held), str(misses)], stdout=subprocess.PIPE, env=env)
            done = []
            last = None
            for _ in range(rng.randint(0, 5)):
                line = p.stdout.readline()
                if not line:
                    break
                done.append(int(line))
                now = time.monotonic()
                if last is not None:
                    # How long one miss takes on this disk, so the kill
                    # lands inside the next one however fast the disk is.
                    per_miss = 0.8 * per_miss + 0.2 * (now - last)
                last = now
            time.sleep(rng.uniform(0.0, per_miss))
            if p.poll() is None:
                os.kill(p.pid, signal.SIGKILL)
                kills += 1
            done += [int(line) for line in p.stdout.read().split()]
            p.wait()
            check = subprocess.run([helper, "check"], env=env, capture_output=True, text=True)
            if check.returncode != 0:
                print(f"FAILED after kill {kills}: {check.stderr.strip()}")
                return 1
            now = int(check.stdout)
            confirmed = done[-1] + 1 if done else held
            # Every miss reported written is there; at most the one in
            # flight beyond them.
            if now < confirmed or now > confirmed + 1:
                print(f"FAILED after kill {kills}: {confirmed} misses written, the book holds {now}")
                return 1
            lost_in_flight += now == confirmed and p.returncode != 0
            held = now
        leftovers = [n for n in os.listdir(os.path.join(data, "kestran")) if n not in ("\u9519\u9898\u672c.txt", "kestran.lock")]
        print(f"book_kill: {misses} misses, {kills} kills, book intact after each; "
              f"{lost_in_flight} kills came before a miss was written; {len(leftovers)} temporary files left")
        return 0 if kills >= 30 else 1
    finally:
        shutil.rmtree(data, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())

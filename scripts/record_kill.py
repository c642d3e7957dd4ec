#!/usr/bin/env python3
"""The study record survives kill -9 and two writers at once.

1. 200 test answers are recorded one by one while the writing process is
   killed at random moments; after every kill the record must pass SQLite's
   integrity check and hold every answer reported written, in order, and at
   most the one being written beyond them.
2. Two processes write at once, each 300 answers of its own and 300 of
   entries both judge: the record holds all 1,200, and each shared entry's
   memory saw both judgements.

  scripts/record_kill.py HELPER [ANSWERS]

HELPER is tests/record/record_writer_helper from the build tree. The record
is kept in a temporary data folder, never the user's."""
import os
import random
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time

RECORD = "\u5b66\u4e60\u8bb0\u5f55.db"  # 学习记录.db


def read(data, sql):
    path = os.path.join(data, "kestran", RECORD)
    if not os.path.exists(path):
        return []
    with sqlite3.connect(path, timeout=30) as db:
        # Killed between making the file and its tables: an empty record.
        if not db.execute("SELECT 1 FROM sqlite_master WHERE name = 'events'").fetchall():
            return []
        return db.execute(sql).fetchall()


def kills(helper, answers, rng):
    data = tempfile.mkdtemp(prefix="kestran-record-kill-")
    env = dict(os.environ, XDG_DATA_HOME=data)
    count = killed = 0
    try:
        while count < answers:
            p = subprocess.Popen([helper, "add", "w", str(count), str(answers)], stdout=subprocess.PIPE, env=env)
            done = []
            for _ in range(rng.randint(0, 5)):
                line = p.stdout.readline()
                if not line:
                    break
                done.append(int(line))
            time.sleep(rng.uniform(0.0, 0.003))
            if p.poll() is None:
                os.kill(p.pid, signal.SIGKILL)
                killed += 1
            done += [int(line) for line in p.stdout.read().split()]
            p.wait()
            if read(data, "PRAGMA integrity_check") not in ([], [("ok",)]):
                print(f"FAILED after kill {killed}: the record is damaged")
                return False
            words = [w for (w,) in read(data, "SELECT word FROM events ORDER BY id")]
            if words != [f"w{i}" for i in range(len(words))]:
                print(f"FAILED after kill {killed}: the answers are not 0..{len(words) - 1} in order")
                return False
            confirmed = done[-1] + 1 if done else count
            if not confirmed <= len(words) <= confirmed + 1:
                print(f"FAILED after kill {killed}: {confirmed} answers written, the record holds {len(words)}")
                return False
            count = len(words)
        print(f"record_kill: {answers} answers, {killed} kills, the record intact and complete after each")
        return True
    finally:
        shutil.rmtree(data, ignore_errors=True)


def two_writers(helper):
    data = tempfile.mkdtemp(prefix="kestran-record-two-")
    env = dict(os.environ, XDG_DATA_HOME=data)
    try:
        started = time.monotonic()
        writers = [subprocess.Popen([helper, "add", prefix, "0", "300", "shared"], stdout=subprocess.DEVNULL, env=env)
                   for prefix in ("a", "b")]
        codes = [w.wait(timeout=240) for w in writers]
        seconds = time.monotonic() - started
        if codes != [0, 0]:
            print(f"FAILED: the writers ended with {codes}")
            return False
        counts = dict(read(data, "SELECT substr(word, 1, 1), count(*) FROM events GROUP BY 1"))
        reps = read(data, "SELECT min(reps), max(reps), count(*) FROM cards WHERE word LIKE 'shared%'")
        if counts != {"a": 300, "b": 300, "s": 600} or reps != [(2, 2, 300)]:
            print(f"FAILED: two writers left {counts} events and shared cards {reps}")
            return False
        print(f"record_kill: two writers, 1200 answers in {seconds:.1f} s, none lost")
        return True
    finally:
        shutil.rmtree(data, ignore_errors=True)


def main():
    helper = sys.argv[1]
    answers = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    rng = random.Random(int(os.environ.get("KESTRAN_KILL_SEED", "28")))
    return 0 if kills(helper, answers, rng) and two_writers(helper) else 1


if __name__ == "__main__":
    sys.exit(main())

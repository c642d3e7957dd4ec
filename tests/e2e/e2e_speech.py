#!/usr/bin/env python3
"""Spoken words in the real window, heard on SDL's disk audio device.

Everything played reaches one file. The hit sound is known to the byte (the
chime converted to the device's 16-bit stereo), so the file is cut at every
copy of it; what is left besides silence is speech, measured as stretches of
sound. A spoken word is checked against flite's own rendering of it: the
same voice gives the same length (its noise differs at each saying).

  1. Speech off (the default): after hits, the file holds nothing but
     silence and exact copies of the chime, as before speech existed.
  2. 朗读单词 on (F5): each new practice word is spoken (0.2 to 2 s) before
     the next, and F2 says it again.
  3. Test: no word is spoken; with 听写 on (F6) the entry asked is, and the
     choices are in the settings file.

usage: e2e_speech.py KESTRAN KESTRAN_LIST SOURCE_DIR
"""

import os
import shutil
import subprocess
import sys
import tempfile
import struct
import time
import wave

sys.dont_write_bytecode = True  # no cache folder in the source tree
from kestran_driver import (ANSWER_BOX, MODE_BUTTON, DriverError, Kestran, StateLayout, VirtualScreen, run,
                            wait_for)  # noqa: E402

KESTRAN, KESTRAN_LIST, SOURCE = sys.argv[1:4]
WORK = tempfile.mkdtemp(prefix="kestran-speech-")
AUDIO_FILE = os.path.join(WORK, "audio.raw")
DATA = os.path.join(WORK, "data")
RATE = 44100
FRAME = 4  # 16-bit stereo
QUIET = int(0.1 * RATE) * FRAME  # silence between two sounds

screen = VirtualScreen(extra_env=dict(SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=AUDIO_FILE, SDL_DISKAUDIODELAY="10",
                                      XDG_DATA_HOME=DATA))
kestran = Kestran(KESTRAN, screen, os.path.join(WORK, "home"))


def log(text):
    print(text, flush=True)


def chime_from(audio):
    """The chime as the device played it first: RES/41.wav (mono 16-bit at
    the device's rate) on both channels, each sample within the 1 the
    sound library's conversion may change. Later chimes must equal it."""
    with wave.open(os.path.join(SOURCE, "RES", "41.wav")) as w:
        assert (w.getframerate(), w.getnchannels(), w.getsampwidth()) == (RATE, 1, 2)
        mono = struct.unpack(f"<{w.getnframes()}h", w.readframes(w.getnframes()))
    lead = next(i for i, v in enumerate(mono) if v)
    start = next(i for i in range(0, len(audio), FRAME) if any(audio[i:i + FRAME])) - lead * FRAME
    played = audio[start:start + len(mono) * FRAME]
    stereo = struct.unpack(f"<{len(played) // 2}h", played)
    if len(stereo) != 2 * len(mono) or any(abs(stereo[2 * i] - v) > 1 or stereo[2 * i + 1] != stereo[2 * i]
                                           for i, v in enumerate(mono)):
        raise DriverError("the first sound played is not the chime")
    return played


def flite_seconds(word, voice="rms"):
    out = os.path.join(WORK, "flite.wav")
    subprocess.run(["flite", "-voice", voice, "-t", word, "-o", out], check=True)
    with wave.open(out) as w:
        return w.getnframes() / w.getframerate()


class Audio:
    """What the device played from a mark on: chimes and other sounds."""

    def __init__(self, hit=None):
        self.hit = hit
        self.start = self.size()

    @staticmethod
    def size():
        return os.path.getsize(AUDIO_FILE) if os.path.exists(AUDIO_FILE) else 0

    def read(self):
        with open(AUDIO_FILE, "rb") as f:
            f.seek(self.start)
            data = f.read()
        return data[:len(data) // FRAME * FRAME]

    def split(self):
        """(number of chimes, [bytes of each other sound])"""
        pieces = self.read().split(self.hit)
        sounds = []
        for piece in pieces:
            at = 0
            while True:
                left = piece[at:].lstrip(b"\0")
                if not left:
                    break
                at = len(piece) - len(left)
                at -= at % FRAME
                stop = piece.find(b"\0" * QUIET, at)
                stop = len(piece) if stop < 0 else stop + (-stop) % FRAME
                sounds.append(piece[at:stop])
                at = stop
        return len(pieces) - 1, sounds

    def settle(self, timeout=8.0):
        """Waits until the device has played on quietly for a while."""
        def quiet_tail():
            data = self.read()
            return len(data) > 2 * QUIET and not any(data[-2 * QUIET:])
        time.sleep(0.3)
        wait_for("the sound to end", quiet_tail, timeout)
        return self.split()


def seconds(sound):
    return len(sound) / FRAME / RATE


def expect_word(sound, word, what, voice="rms"):
    got, want = seconds(sound), flite_seconds(word, voice)
    if not 0.2 <= got <= 2.0:
        raise DriverError(f"{what}: {got:.2f} s of speech")
    if abs(got - want) > 0.03:
        raise DriverError(f"{what}: {got:.3f} s of speech, {word!r} takes {want:.3f} s")
    log(f"  {what}: {word!r}, {got:.2f} s")


def main():
    words = [r["word"] for r in
             __import__("json").loads(run(KESTRAN_LIST, "--json", os.path.join(SOURCE, "lists", "school-100.txt")))[
                 "records"]]
    shutil.copytree(os.path.join(SOURCE, "RES"), os.path.join(kestran.home, "RES"))
    screen.wait_ready()
    kestran.layout = StateLayout(KESTRAN)
    state = kestran.state

    def current_practice_word():
        wait_for("a word", lambda: state("practiceIndex")["practiceIndex"] < len(words))
        return words[state("practiceIndex")["practiceIndex"]]

    def type_word(word):
        index = state("practiceIndex")["practiceIndex"]
        kestran.type_text(word)
        wait_for("the next word", lambda: state("practiceIndex")["practiceIndex"] != index)

    log("step 1: speech off; hits sound exactly as the chime and nothing else plays")
    kestran.start()
    kestran.wait_window()
    kestran.open_list(os.path.join(SOURCE, "lists", "school-100.txt"))
    wait_for("the list", lambda: state("listLoaded")["listLoaded"] == 1)
    kestran.click(ANSWER_BOX)
    audio = Audio()
    for _ in range(2):
        type_word(current_practice_word())
        time.sleep(1.0)
    hit = audio.hit = chime_from(audio.read())
    chimes, others = audio.settle()
    if chimes != 2 or others:
        raise DriverError(f"{chimes} chimes and {len(others)} other sounds, expected 2 chimes only")
    log("  2 chimes, byte for byte, and silence")

    log("step 2: 朗读单词 (F5) speaks each new word before the next; F2 says it again")
    audio = Audio(hit)
    kestran.key("F5")
    spoken = current_practice_word()  # turning it on says the word on the canvas
    chimes, others = audio.settle()
    if len(others) != 1:
        raise DriverError(f"{len(others)} sounds after F7, expected the word")
    expect_word(others[0], spoken, "word on the canvas")
    for n in range(2):
        audio = Audio(hit)
        type_word(current_practice_word())
        entered = current_practice_word()
        chimes, others = audio.settle()
        if chimes != 1 or len(others) != 1:
            raise DriverError(f"hit {n}: {chimes} chimes and {len(others)} other sounds, expected 1 and 1")
        expect_word(others[0], entered, f"new word {n + 1}")
        heard = others[0]
    audio = Audio(hit)
    kestran.key("F2")
    chimes, others = audio.settle()
    # The voice's noise differs at each saying; the word's length does not.
    if len(others) != 1 or len(others[0]) != len(heard):
        raise DriverError("F2 did not say the word again")
    expect_word(others[0], entered, "F2")

    log("step 3: the test speaks nothing until 听写 (F6), then the entry asked")
    kestran.click(MODE_BUTTON)
    wait_for("test mode", lambda: state("testMode")["testMode"] == 1)
    kestran.click(ANSWER_BOX)
    audio = Audio(hit)
    for _ in range(2):
        kestran.type_text(words[state("testIndex")["testIndex"]])
        kestran.key("Return")
        time.sleep(0.8)
    kestran.key("F2")  # dictation off: F2 must not give the answer away
    chimes, others = audio.settle()
    if chimes != 2 or others:
        raise DriverError(f"test without dictation: {chimes} chimes and {len(others)} other sounds")
    log("  2 chimes, no word")
    audio = Audio(hit)
    kestran.key("F6")
    asked = words[state("testIndex")["testIndex"]]
    chimes, others = audio.settle()
    if len(others) != 1:
        raise DriverError(f"{len(others)} sounds after F8, expected the entry asked")
    expect_word(others[0], asked, "entry asked")
    audio = Audio(hit)
    kestran.type_text(asked)
    kestran.key("Return")
    asked = words[state("testIndex")["testIndex"]]
    chimes, others = audio.settle()
    if chimes != 1 or len(others) != 1:
        raise DriverError(f"next entry: {chimes} chimes and {len(others)} other sounds, expected 1 and 1")
    expect_word(others[0], asked, "next entry asked")

    settings = open(os.path.join(DATA, "kestran", "设置.txt"), encoding="gbk").read()
    for line in ("speech.speakWords=1", "speech.dictation=1"):
        if line not in settings.splitlines():
            raise DriverError(f"settings file lacks {line}: {settings!r}")
    log("  settings file keeps both choices")


if __name__ == "__main__":
    try:
        main()
        log("all steps passed")
        code = 0
    except Exception as e:  # noqa: BLE001 - report whatever stopped the run
        log(f"FAILED: {e}")
        code = 1
    finally:
        kestran.stop()
        screen.close()
        if code == 0:
            shutil.rmtree(WORK, ignore_errors=True)
        else:
            log(f"audio kept in {AUDIO_FILE}")
    sys.exit(code)

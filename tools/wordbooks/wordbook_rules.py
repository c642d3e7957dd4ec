"""The rules that turn an ECDICT row into a word-book entry.

Pure functions, no files: make_wordbooks.py applies them and the unit tests
check them. A meaning is built from ECDICT's `translation` column:

  1. Lines are split at ECDICT's escaped line breaks; escaped CRs go.
  2. A line may start with parts of speech ("n.", "vt.&vi."); they are
     written as learners know them (a. -> adj., ad. -> adv.).
  3. Domain lines ("[医] ...", "n. [计] ...") are dropped, and so is the
     rest of a line from a sense that starts with a bracketed domain label.
  4. Senses are split at , ; ， ； outside brackets (brackets never
     closed are dropped first); a sense holding a private-use character or
     one GBK lacks is dropped, and so is a sense repeated in its line;
     "..." becomes "…", leading + * ~ go.
  5. The meaning is "senses (pos)；senses (pos)", senses joined by "，": it
     must start with a Chinese byte, or the loader would take the text for
     part of the word. So ASCII brackets become full-width ones, a group
     whose first sense starts with ASCII is written after the others, and
     if it is still first its leading letters and digits are written
     full-width.
  6. Senses are taken in order for as long as the whole meaning fits (the
     caller's measure) and is within 126 GBK bytes. When not even the first
     sense fits, it is cut and ends in "…". A word with only domain lines
     gets its first domain line without the label.
"""

import re
import unicodedata

MAX_MEANING_BYTES = 126

# ECDICT's abbreviations and the ones learners' books print.
POS_NAMES = {
    "n": "n.", "v": "v.", "vt": "vt.", "vi": "vi.", "a": "adj.", "adj": "adj.", "ad": "adv.", "adv": "adv.",
    "prep": "prep.", "conj": "conj.", "pron": "pron.", "num": "num.", "interj": "interj.", "int": "interj.",
    "art": "art.", "aux": "aux.", "abbr": "abbr.", "pl": "pl.", "pref": "pref.", "suf": "suf.", "det": "det.",
}
_POS_TOKEN_RE = re.compile(r"\s*([&/,]?)\s*([a-z]+)\.")
_OPEN, _CLOSE = "([（【<《", ")]）】>》"


def gbk_ok(text):
    """True when every character has a GBK form and none is private-use."""
    if any(unicodedata.category(c) == "Co" for c in text):
        return False
    try:
        text.encode("gbk")
        return True
    except UnicodeEncodeError:
        return False


def gbk_len(text):
    return len(text.encode("gbk"))


def split_pos(line):
    """(learner's parts of speech or "", rest of the line). Several parts
    of speech ("vt. vi.", "vt.&vi.", "n./a.") are joined by & or /."""
    out, end = "", 0
    while True:
        m = _POS_TOKEN_RE.match(line, end)
        if not m or m.group(2) not in POS_NAMES or (out and m.end() < len(line) and line[m.end()].isalpha()):
            break
        if out:
            out += "/" if m.group(1) == "/" else "&"
        out += POS_NAMES[m.group(2)]
        end = m.end()
    if not out or (end < len(line) and not line[end].isspace() and line[end] not in "[（("):
        return "", line.strip()  # an English word, not a part of speech
    return out, line[end:].strip()


def split_senses(text):
    """Senses at , ; ， ； outside brackets, stripped, empty ones dropped."""
    senses, depth, start = [], 0, 0
    for i, c in enumerate(text):
        if c in _OPEN:
            depth += 1
        elif c in _CLOSE:
            depth = max(0, depth - 1)
        elif c in ",;，；" and depth == 0:
            senses.append(text[start:i])
            start = i + 1
    senses.append(text[start:])
    return [s.strip() for s in senses if s.strip()]


def clean_sense(sense):
    sense = re.sub(r"\s+", " ", sense).strip()
    sense = sense.lstrip("+*~ ")
    for ascii_form, gbk_form in (("...", "…"), ("(", "（"), (")", "）"), ("<", "〈"), (">", "〉"),
                                 ("[", "［"), ("]", "］")):
        sense = sense.replace(ascii_form, gbk_form)
    return sense


def full_width_start(text):
    """The leading ASCII letters and digits in their full-width GBK forms,
    so the text opens with a Chinese byte ("be的过去式" -> "ｂｅ的过去式")."""
    n = 0
    while n < len(text) and text[n].isascii() and text[n].isalnum():
        n += 1
    return "".join(chr(ord(c) + 0xFEE0) for c in text[:n]) + text[n:]


_DOMAIN_RE = re.compile(r"[\[【][^\[\]【】]{1,12}[\]】]\s*")


def is_domain(text):
    """Starts with a bracketed label: [医], [网络], 【计】."""
    return _DOMAIN_RE.match(text) is not None


def strip_domain_label(text):
    return _DOMAIN_RE.sub("", text, count=1)


def drop_unmatched_brackets(text):
    """ECDICT has a few brackets never closed ("[对...厌倦的"): they go, so
    they neither pass for a domain label nor hold the senses together."""
    pairs = {")": "(", "]": "[", "）": "（", "】": "【"}
    stack, drop = [], set()
    for i, c in enumerate(text):
        if c in "([（【":
            stack.append(i)
        elif c in pairs:
            if stack and text[stack[-1]] == pairs[c]:
                stack.pop()
            else:
                drop.add(i)
    drop.update(stack)
    return "".join(c for i, c in enumerate(text) if i not in drop)


def parse_groups(translation):
    """[(pos, [senses])] in ECDICT's order, domain lines dropped. When every
    line is a domain line, the first one without its label."""
    lines = [l.strip() for l in re.split(r"\\n|\n", translation.replace("\\r", "").replace("\r", ""))]
    groups, domain = [], []
    for line in lines:
        if not line:
            continue
        pos, rest = split_pos(drop_unmatched_brackets(line))
        if is_domain(rest):
            domain.append((pos, strip_domain_label(rest)))
            continue
        senses = []
        for sense in split_senses(rest):
            if is_domain(sense):
                break
            sense = clean_sense(sense)
            if sense and gbk_ok(sense) and sense not in senses:
                senses.append(sense)
        if senses:
            groups.append((pos, senses))
    if not groups:
        for pos, rest in domain:
            senses = [clean_sense(s) for s in split_senses(rest)]
            senses = [s for s in senses if s and gbk_ok(s)]
            if senses:
                groups.append((pos, senses))
                break
    # The meaning must open with a Chinese byte: groups that start with
    # ASCII ("be的过去式") go after the others.
    chinese_first = [g for g in groups if not g[1][0][0].isascii()]
    ascii_first = [g for g in groups if g[1][0][0].isascii()]
    groups = chinese_first + ascii_first
    if groups and groups[0][1][0][0].isascii():
        pos, senses = groups[0]
        groups[0] = (pos, [full_width_start(senses[0])] + senses[1:])
    return groups


def render(groups, count):
    """The meaning made of the first `count` senses."""
    parts = []
    for pos, senses in groups:
        if count <= 0:
            break
        taken = senses[:count]
        count -= len(taken)
        text = "，".join(taken)
        parts.append(f"{text} ({pos})" if pos else text)
    return "；".join(parts)


def sense_count(groups):
    return sum(len(s) for _, s in groups)


def shorten(groups, fits):
    """The longest meaning, senses in order, that `fits` (a predicate on the
    text) within MAX_MEANING_BYTES; a cut first sense when none does.
    None when there is nothing to say."""
    if not groups:
        return None
    best = None
    for count in range(1, sense_count(groups) + 1):
        text = render(groups, count)
        if gbk_len(text) > MAX_MEANING_BYTES or not fits(text):
            break
        best = text
    if best is not None:
        return best
    pos, senses = groups[0]
    first = senses[0]
    for end in range(len(first) - 1, 0, -1):
        text = render([(pos, [first[:end].rstrip() + "…"])], 1)
        if gbk_len(text) <= MAX_MEANING_BYTES and fits(text) and not text[0].isascii():
            return text
    return None


# Phonetics ------------------------------------------------------------------

# ECDICT writes IPA with look-alikes and ASCII stand-ins.
_IPA_CHARS = {
    "ә": "ə", "є": "ɛ", "ε": "ɛ", "'": "ˈ", ":": "ː", "^": "ɡ", "g": "ɡ",
}
_VOWELS = set("aeiouæɑɒɔəɛɜɪʊʌɚ")


def normalise_ipa(phonetic):
    """Standard IPA, alternatives separated by ", "; "" when nothing is left.

    `.` and `,` before a sound are secondary stress; followed by a space (or
    `;`) they separate alternative transcriptions. `\\` runs stand for ɜ, a
    `j` before a consonant for ʊ (both broken encodings), `(?@)` is dropped.
    """
    p = phonetic.replace("(?@)", "").strip()
    p = re.sub(r"\\+", "ɜ", p)
    # Alternatives: ". " "; " ", " and a comma before a hyphen or stress mark.
    p = re.sub(r"\s*[.;]\s+|\s*;\s*|,\s+|,(?=[-'ˈ])", "\x00", p)
    alternatives = []
    for alt in p.split("\x00"):
        alt = alt.strip()
        alt = re.sub(r"^\.|(?<=[^\s])\.(?=[^\s])|^,|(?<=[^\s]),(?=[^\s])", "ˌ", alt)
        alt = alt.replace(",", "ˌ").replace(".", "")
        alt = "".join(_IPA_CHARS.get(c, c) for c in alt)
        alt = alt.replace("jj", "jʊ")
        alt = re.sub(r"j(?=[^aeiouæɑɒɔəɛɜɪʊʌɚː(]|$)", "ʊ", alt)
        alt = re.sub(r"\s+", "", alt)  # stray spaces inside a transcription
        if alt:
            alternatives.append(alt)
    return ", ".join(alternatives)

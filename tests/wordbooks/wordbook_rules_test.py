"""The rules that make word-book meanings and phonetics from ECDICT rows."""

import unittest

import wordbook_rules as rules


def width_fits(limit):
    """A stand-in for the canvas: a Chinese character 2 units, ASCII 1."""
    return lambda text: sum(1 if c.isascii() else 2 for c in text) <= limit


def table(function, rows):
    """A test of function(*given) == wanted for each row (*given, wanted)."""
    def test(self):
        for *given, wanted in rows:
            with self.subTest(given=given):
                self.assertEqual(function(*given), wanted)
    return test


IPA_CASES = [
    # ECDICT's look-alikes and ASCII stand-ins
    ("ә'bændәn", "əˈbændən"),
    ("prєә", "prɛə"),
    ("ε'pik", "ɛˈpik"),
    ("'ɔ:in,spaiәriŋ", "ˈɔːinˌspaiəriŋ"),
    ("ә.bri:vi'eiʃәn", "əˌbriːviˈeiʃən"),
    (".instru'mentәlist", "ˌinstruˈmentəlist"),
    ("'bʌ^әbu:", "ˈbʌɡəbuː"),
    ("gә'rɑ:ʒ", "ɡəˈrɑːʒ"),
    # already standard
    ("ˌjuːnɪˈvɜː(r)sətiz", "ˌjuːnɪˈvɜː(r)sətiz"),
    # alternatives, kept in ECDICT's order
    ("dæns. dɑ:ns", "dæns, dɑːns"),
    ("dʌz; dәz", "dʌz, dəz"),
    ("'kɔndʌkt, -dәkt", "ˈkɔndʌkt, -dəkt"),
    ("'riәlaiz,'ri:-", "ˈriəlaiz, ˈriː-"),
    ("di's\\\\:nәbl,-'z\\\\:-", "diˈsɜːnəbl, -ˈzɜː-"),
    # stray markers and broken encodings
    ("bɔnɔ'mi:; (?@) bɔnә'mi:", "bɔnɔˈmiː, bɔnəˈmiː"),
    ("'kɔnv\\\\:sli", "ˈkɔnvɜːsli"),
    ("bi'hәjldә(r)", "biˈhəʊldə(r)"),
    ("ju:ni'v\\\\:sәli", "juːniˈvɜːsəli"),
    ("'miθikә l", "ˈmiθikəl"),
    ("", ""),
    ("(?@)", ""),
]

POS_CASES = [
    ("n. 放任", ("n.", "放任")),
    ("a. 被抛弃的", ("adj.", "被抛弃的")),
    ("ad. 然而", ("adv.", "然而")),
    ("int. 哎呀", ("interj.", "哎呀")),
    ("vt.&vi. 放弃", ("vt.&vi.", "放弃")),
    ("vt. vi. （使）自动化", ("vt.&vi.", "（使）自动化")),
    ("n.(口)朋友", ("n.", "(口)朋友")),
    ("n./a. 成人", ("n./adj.", "成人")),
    ("第一个字母 A", ("", "第一个字母 A")),
    # an English word ending a sentence is no part of speech
    ("be. 是", ("", "be. 是")),
    ("a.m. 上午", ("", "a.m. 上午")),
]

GROUP_CASES = [
    ("ordinary line", "vt. 放弃, 抛弃\\nn. 放任", [("vt.", ["放弃", "抛弃"]), ("n.", ["放任"])]),
    ("domain lines go", "n. 腹部\\n[医] 腹[部]\\n[网络] 肚子", [("n.", ["腹部"])]),
    ("domain after a part of speech goes", "n. 冠词\\nart. [计] 累加器", [("n.", ["冠词"])]),
    ("inline domain ends the line", "a. 努力的；[劳经] 繁重的", [("adj.", ["努力的"])]),
    ("only domain lines: the first, unlabelled", "[医] 腹, 腹部\\n[化] 腹腔", [("", ["腹", "腹部"])]),
    ("an ASCII bracket first: full-width", "n. (口)朋友", [("n.", ["（口）朋友"])]),
    ("brackets keep senses together", "n. 罩；使(马,鹰等)戴头罩", [("n.", ["罩", "使（马,鹰等）戴头罩"])]),
    ("unclosed bracket dropped", "a. [对...厌倦的；充分满足的", [("adj.", ["对…厌倦的", "充分满足的"])]),
    ("repeated sense in a line dropped", "vi. 发生, 发生, 恰巧", [("vi.", ["发生", "恰巧"])]),
    ("private-use character: the sense goes", "n. 狂犬病, \ue7ab病", [("n.", ["狂犬病"])]),
    ("escaped CR goes", "第一个字母 A; 一个\\r", [("", ["第一个字母 A", "一个"])]),
    ("ASCII-first group goes last", "vie的现在分词\\na. 竞争的", [("adj.", ["竞争的"]), ("", ["vie的现在分词"])]),
    ("nothing left", "[医]", []),
    ("register labels full-width", "n. <美>消防队员", [("n.", ["〈美〉消防队员"])]),
    ("leading junk goes", "n. +体育馆, 体操", [("n.", ["体育馆", "体操"])]),
    ("leading digits full-width", "n. 10分硬币", [("n.", ["１０分硬币"])]),
    ("only ASCII-first: letters full-width", "be的过去式", [("", ["ｂｅ的过去式"])]),
    ("ASCII dots become an ellipsis", "...的地位", [("", ["…的地位"])]),
    ("the domain line kept: its ASCII brackets full-width", "[医] [骨折端]重迭", [("", ["［骨折端］重迭"])]),
]

SENSES = [("vt.", ["放弃", "抛弃", "遗弃"]), ("n.", ["放任"])]
SHORTEN_CASES = [
    # groups, limit in stand-in units -> meaning
    (SENSES, 100, "放弃，抛弃，遗弃 (vt.)；放任 (n.)"),
    (SENSES, 28, "放弃，抛弃，遗弃 (vt.)"),
    (SENSES, 20, "放弃，抛弃 (vt.)"),
    (SENSES, 11, "放弃 (vt.)"),
    # senses stop at the first that does not fit
    ([("n.", ["甲", "一个很长很长的义项", "乙"])], 14, "甲 (n.)"),
    # not even the first sense fits: cut, and marked as cut
    ([("vt.", ["一二三四五"])], 13, "一二… (vt.)"),
    ([("vt.", ["一二三四五"])], 11, "一… (vt.)"),
    ([("vt.", ["一二三四五"])], 9, None),
    # nothing to say
    ([], 100, None),
]

GBK_CASES = [
    # GBK holds a few Latin and IPA letters (é, ɑ, ɡ) but not ə.
    ("放弃", True), ("résumé", True), ("ə", False), ("\U0001F600", False), ("\ue7ab", False), ("…", True),
]

BRACKET_CASES = [("[对(的)", "对(的)"), ("a)b", "ab"), ("[医] 腹[部]", "[医] 腹[部]"), ("(（）", "（）")]


class Rules(unittest.TestCase):
    test_normalise_ipa = table(rules.normalise_ipa, IPA_CASES)
    test_split_pos = table(rules.split_pos, POS_CASES)
    test_parse_groups = table(lambda name, translation: rules.parse_groups(translation), GROUP_CASES)
    test_shorten = table(lambda groups, limit: rules.shorten(groups, width_fits(limit)), SHORTEN_CASES)
    test_gbk_ok = table(rules.gbk_ok, GBK_CASES)
    test_drop_unmatched_brackets = table(rules.drop_unmatched_brackets, BRACKET_CASES)

    def test_never_beyond_126_bytes(self):
        groups = [("n.", ["词义%02d" % i for i in range(40)])]
        meaning = rules.shorten(groups, lambda text: True)
        self.assertLessEqual(rules.gbk_len(meaning), rules.MAX_MEANING_BYTES)
        self.assertGreater(rules.gbk_len(meaning), rules.MAX_MEANING_BYTES - 10)


if __name__ == "__main__":
    unittest.main()

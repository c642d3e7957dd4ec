"""The rules that make word-book meanings and phonetics from ECDICT rows."""

import unittest

import wordbook_rules as rules


def width_fits(limit):
    """A stand-in for the canvas: a Chinese character 2 units, ASCII 1."""
    return lambda text: sum(1 if c.isascii() else 2 for c in text) <= limit


class NormaliseIpa(unittest.TestCase):
    CASES = [
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

    def test_cases(self):
        for given, wanted in self.CASES:
            with self.subTest(given=given):
                self.assertEqual(rules.normalise_ipa(given), wanted)


class SplitPartOfSpeech(unittest.TestCase):
    CASES = [
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

    def test_cases(self):
        for given, wanted in self.CASES:
            with self.subTest(given=given):
                self.assertEqual(rules.split_pos(given), wanted)


class ParseGroups(unittest.TestCase):
    CASES = [
        ("ordinary line", "vt. 放弃, 抛弃\\nn. 放任", [("vt.", ["放弃", "抛弃"]), ("n.", ["放任"])]),
        ("domain lines go", "n. 腹部\\n[医] 腹[部]\\n[网络] 肚子", [("n.", ["腹部"])]),
        ("domain after a part of speech goes", "n. 冠词\\nart. [计] 累加器", [("n.", ["冠词"])]),
        ("inline domain ends the line", "a. 努力的；[劳经] 繁重的", [("adj.", ["努力的"])]),
        ("only domain lines: the first, unlabelled", "[医] 腹, 腹部\\n[化] 腹腔", [("", ["腹", "腹部"])]),
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
    ]

    def test_cases(self):
        for name, given, wanted in self.CASES:
            with self.subTest(name):
                self.assertEqual(rules.parse_groups(given), wanted)


class Shorten(unittest.TestCase):
    GROUPS = [("vt.", ["放弃", "抛弃", "遗弃"]), ("n.", ["放任"])]
    CASES = [
        # limit in stand-in units -> meaning
        (100, "放弃，抛弃，遗弃 (vt.)；放任 (n.)"),
        (28, "放弃，抛弃，遗弃 (vt.)"),
        (20, "放弃，抛弃 (vt.)"),
        (11, "放弃 (vt.)"),
    ]
    CUT_CASES = [
        # not even the first sense fits: cut, and marked as cut
        (13, "一二… (vt.)"),
        (11, "一… (vt.)"),
        (9, None),
    ]

    def test_cut_first_sense(self):
        for limit, wanted in self.CUT_CASES:
            with self.subTest(limit=limit):
                self.assertEqual(rules.shorten([("vt.", ["一二三四五"])], width_fits(limit)), wanted)

    def test_cases(self):
        for limit, wanted in self.CASES:
            with self.subTest(limit=limit):
                self.assertEqual(rules.shorten(self.GROUPS, width_fits(limit)), wanted)

    def test_senses_stop_at_the_first_that_does_not_fit(self):
        groups = [("n.", ["甲", "一个很长很长的义项", "乙"])]
        self.assertEqual(rules.shorten(groups, width_fits(14)), "甲 (n.)")

    def test_never_beyond_126_bytes(self):
        groups = [("n.", ["词义%02d" % i for i in range(40)])]
        meaning = rules.shorten(groups, lambda text: True)
        self.assertLessEqual(rules.gbk_len(meaning), rules.MAX_MEANING_BYTES)
        self.assertGreater(rules.gbk_len(meaning), rules.MAX_MEANING_BYTES - 10)

    def test_meanings_open_with_a_chinese_character(self):
        for translation in ["be的过去式", "a. 竞争的\\nvie的现在分词", "n. (口)朋友", "...的地位", "n. <美>消防队员",
                            "n. 10分硬币", "vt. vi. （使）自动化", "[医] [骨折端]重迭"]:
            with self.subTest(translation):
                meaning = rules.shorten(rules.parse_groups(translation), width_fits(100))
                self.assertFalse(meaning[0].isascii(), meaning)

    def test_nothing_to_say_gives_none(self):
        self.assertIsNone(rules.shorten([], width_fits(100)))


class GbkAndBrackets(unittest.TestCase):
    CASES = [
        # GBK holds a few Latin and IPA letters (é, ɑ, ɡ) but not ə.
        ("放弃", True), ("résumé", True), ("ə", False), ("\U0001F600", False), ("\ue7ab", False), ("…", True),
    ]

    def test_gbk_ok(self):
        for text, wanted in self.CASES:
            with self.subTest(text=text):
                self.assertEqual(rules.gbk_ok(text), wanted)

    def test_unmatched_brackets(self):
        for given, wanted in [("[对(的)", "对(的)"), ("a)b", "ab"), ("[医] 腹[部]", "[医] 腹[部]"), ("(（）", "（）")]:
            with self.subTest(given=given):
                self.assertEqual(rules.drop_unmatched_brackets(given), wanted)


if __name__ == "__main__":
    unittest.main()

// 英音 from the word books' British transcriptions: the IPA read into
// flite's phones, and the phones flite then synthesises, against the
// American voice reading its own lexicon.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "features/phonetics/british_phones.h"
#include "features/phonetics/shared_table.h"
#include "features/speech/flite_voice.h"
#include "features/speech/speaker.h"

namespace {

using kestran::phonetics::FlitePhonesFromIpa;
using kestran::phonetics::PhoneNames;
using kestran::speech::SynthesiseWord;
using plat::VoiceAccent;
using Phones = std::vector<std::string>;

// Words whose British and American pronunciations differ: the British
// voice must say the phones of the British transcription, where flite's
// American lexicon says something else.
TEST(BritishVoice, SpeaksThePhonesOfTheBritishTranscription) {
    struct Case {
        const char* word;
        const char* ipa;  // as the table holds it
        Phones british;
    };
    const Case cases[] = {
        {"dance", "dɑːns", {"d", "aa", "n", "s"}},
        {"tomato", "təˈmɑːtəʊ", {"t", "ax", "m", "aa", "t", "ow"}},
        {"hot", "hɒt", {"hh", "ao", "t"}},
        {"schedule", "ˈʃedjuːl", {"sh", "eh", "d", "y", "uw", "l"}},
        {"here", "hɪə", {"hh", "ih", "ax"}},
        {"new", "njuː", {"n", "y", "uw"}},
        {"leisure", "ˈleʒə", {"l", "eh", "zh", "ax"}},
        {"garage", "ˈɡærɑːʒ", {"g", "ae", "r", "aa", "zh"}},
    };
    for (const Case& c : cases) {
        const std::string phones = FlitePhonesFromIpa(c.ipa);
        EXPECT_EQ(PhoneNames(phones), c.british) << c.word << ": " << phones;
        const auto british = SynthesiseWord(c.word, VoiceAccent::British, phones);
        EXPECT_EQ(british.phones, c.british) << c.word;
        EXPECT_GT(british.samples.size(), 1000u) << c.word;
        const auto american = SynthesiseWord(c.word, VoiceAccent::American);
        EXPECT_NE(american.phones, c.british) << c.word << " is said alike in both accents";
    }
}

// Stress digits where flite's lexicon puts them, no r after a vowel, the
// British one of several variants, and no phones at all for what cannot be
// read, so the lexicon speaks the word.
TEST(BritishVoice, ReadsStressRhoticityAndVariants) {
    struct Case {
        const char* ipa;
        const char* phones;
    };
    const Case cases[] = {
        {"təˈmɑːtəʊ", "t ax0 m aa1 t ow0"},
        {"ˌædvəˈtaɪzmənt", "ae0 d v ax0 t ay1 z m ax0 n t"},
        {"kɑː", "k aa1"},                    // one syllable, no mark: stressed
        {"ˈvɛri", "v eh1 r ih0"},            // an r before a vowel stays
        {"ˈfɔːm", "f ao1 m"},                // ...after one it goes
        {"bɜːd", "b er1 d"},
        {"bəːd", "b er1 d"},                 // the older dictionary forms
        {"ˈdeitə", "d ey1 t ax0"},
        {"ˈsəupə", "s ow1 p ax0"},
        {"əˈbʌv", "ax0 b ah1 v"},
        {"ˈəðə", "ah1 dh ax0"},              // a stressed schwa as the lexicon writes it
        {"dæns, dɑːns", "d aa1 n s"},        // the British variant
        {"ˈɡærɑːʒ; ɡəˈrɑːʒ", "g ae1 r aa0 zh"},
        {"kɑr, kɑː", "k aa1"},
        {"kæ@t", ""},                        // a symbol not known
        {"ʃ", ""},                           // no vowel
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(FlitePhonesFromIpa(c.ipa), c.phones) << c.ipa;
}

// The speaker's British phones come from the table file, a capitalised
// word too; a word the table lacks has none and is read from the lexicon.
TEST(BritishVoice, PhonesComeFromTheTableFile) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "kestran_british_voice_test.tsv";
    std::ofstream(file, std::ios::binary) << "car\tkɑː\ntomato\ttəˈmɑːtəʊ\r\n";
    kestran::phonetics::UseTableFileForTest(file);
    EXPECT_EQ(kestran::speech::BritishPhonesFor("tomato"), "t ax0 m aa1 t ow0");
    EXPECT_EQ(kestran::speech::BritishPhonesFor("Car"), "k aa1");
    EXPECT_EQ(kestran::speech::BritishPhonesFor("zebra"), "");
    kestran::phonetics::UseTableFileForTest({});
    std::filesystem::remove(file);
}

}  // namespace

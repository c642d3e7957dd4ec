// 英音 from the word books' British transcriptions: the IPA read into
// flite's phones, and the phones flite then synthesises, against the
// American voice reading its own lexicon.
#include <gtest/gtest.h>

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

// The British transcription read into flite's phones: stress digits where
// flite's lexicon puts them, no r after a vowel, the British one of several
// variants, and no phones at all for what cannot be read, so the lexicon
// speaks the word. A row with a word is one flite's American lexicon says
// otherwise: the British voice must say the phones read.
TEST(BritishVoice, ReadsTheTranscriptionsStressRhoticityAndVariantsAndSpeaksThem) {
    struct Case {
        const char* ipa;  // as the table holds it
        const char* phones;
        const char* word;
    };
    const Case cases[] = {
        {"dɑːns", "d aa1 n s", "dance"},
        {"təˈmɑːtəʊ", "t ax0 m aa1 t ow0", "tomato"},
        {"hɒt", "hh ao1 t", "hot"},
        {"ˈʃedjuːl", "sh eh1 d y uw0 l", "schedule"},
        {"hɪə", "hh ih1 ax0", "here"},
        {"njuː", "n y uw1", "new"},
        {"ˈleʒə", "l eh1 zh ax0", "leisure"},
        {"ˈɡærɑːʒ; ɡəˈrɑːʒ", "g ae1 r aa0 zh", "garage"},  // the British variant
        {"ˌædvəˈtaɪzmənt", "ae0 d v ax0 t ay1 z m ax0 n t", nullptr},
        {"kɑː", "k aa1", nullptr},                    // one syllable, no mark: stressed
        {"ˈvɛri", "v eh1 r ih0", nullptr},            // an r before a vowel stays
        {"ˈfɔːm", "f ao1 m", nullptr},                // ...after one it goes
        {"bɜːd", "b er1 d", nullptr},
        {"bəːd", "b er1 d", nullptr},                 // the older dictionary forms
        {"ˈdeitə", "d ey1 t ax0", nullptr},
        {"ˈsəupə", "s ow1 p ax0", nullptr},
        {"əˈbʌv", "ax0 b ah1 v", nullptr},
        {"ˈəðə", "ah1 dh ax0", nullptr},              // a stressed schwa as the lexicon writes it
        {"dæns, dɑːns", "d aa1 n s", nullptr},
        {"kɑr, kɑː", "k aa1", nullptr},
        {"kæ@t", "", nullptr},                        // a symbol not known
        {"ʃ", "", nullptr},                           // no vowel
        {"", "", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ipa);
        const std::string phones = FlitePhonesFromIpa(c.ipa);
        EXPECT_EQ(phones, c.phones);
        if (c.word == nullptr) continue;
        const auto british = SynthesiseWord(c.word, VoiceAccent::British, phones);
        EXPECT_EQ(british.phones, PhoneNames(c.phones));
        EXPECT_GT(british.samples.size(), 1000u);
        EXPECT_NE(SynthesiseWord(c.word, VoiceAccent::American).phones, british.phones) << "said alike in both accents";
    }
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

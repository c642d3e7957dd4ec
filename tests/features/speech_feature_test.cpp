// The speech feature on the display-less backend: when a word is spoken,
// what F2 says, and how the key and the menu switch the voice. A British
// system voice stands in for the synthesiser, so a word's text shows.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "features/feature_menu.h"
#include "features/settings.h"
#include "features/speech/speaker.h"
#include "features/speech/speech_feature.h"
#include "platform/headless/headless_backend.h"
#include "tests/support/temp_data_folder.h"
#ifdef _WIN32
// <windows.h>, which the data folder needs there, names these as macros.
#undef CreateDialog
#undef VK_F1
#undef WM_KEYDOWN
#endif

namespace {

using namespace kestran;
using plat::VoiceAccent;

constexpr int kF2 = plat::VK_F1 + 1;
constexpr int kF5 = plat::VK_F1 + 4;

WordRecord Entry(const char* word) {
    WordRecord record{};
    std::snprintf(record.word, sizeof record.word, "%s", word);
    return record;
}

class SpeechFeatureTest : public ::testing::Test {
protected:
    plat::HeadlessBackend backend;
    kestran::testing::TempDataFolder data;

    void SetUp() override {
        settings::ForgetForTest();
        backend.sound.Clear();
        backend.sound.SetSystemVoices({VoiceAccent::British});
        MainDialog = plat::CreateDialog(plat::DialogTemplate{}, nullptr, nullptr, 0);
        drill.listLoaded = 1;
    }
    void TearDown() override {
        speech::TheSpeaker().WaitUntilIdle();
        for (auto* hook : {&hooks::practiceWordShown, &hooks::testEntryShown}) hook->ClearForTest();
        hooks::uiMessage.ClearForTest();
        hooks::canvasRightClick.ClearForTest();
        menu::ClearItemsForTest();
        drill.listLoaded = 0;
        drill.testMode = 0;
        MainDialog = nullptr;
        settings::ForgetForTest();
    }
    void Start() {
        speech::Install();
        menu::Install();
    }
    bool Key(int key) {
        return hooks::uiMessage(plat::Message{MainDialog, plat::WM_KEYDOWN, static_cast<plat::WParam>(key), 0});
    }
    // Words heard: "word" from the British system voice, "?/us" made by the
    // synthesiser in the American voice.
    std::vector<std::string> Heard() {
        speech::TheSpeaker().WaitUntilIdle();
        std::vector<std::string> heard;
        for (const auto& played : backend.sound.Spoken())
            heard.push_back(played.systemWord.empty() ? "?/us" : played.systemWord);
        return heard;
    }
};

TEST_F(SpeechFeatureTest, WhatIsSpokenWhen) {
    enum Event { PracticeShown, TestShown, F2 };
    struct Case {
        const char* name;
        bool speakWords, dictation, test;
        Event event;
        bool spoken;
    };
    const Case cases[] = {
        {"practice word, speech off", false, false, false, PracticeShown, false},
        {"practice word, speech on", true, false, false, PracticeShown, true},
        {"F2 in practice, speech off", false, false, false, F2, true},
        {"test entry, speech on, dictation off", true, false, true, TestShown, false},
        {"F2 in the test, dictation off", true, false, true, F2, false},
        {"test entry, dictation on", false, true, true, TestShown, true},
        {"F2 in the test, dictation on", false, true, true, F2, true},
        {"practice word, only dictation on", false, true, false, PracticeShown, false},
    };
    for (const Case& c : cases) {
        TearDown();
        SetUp();
        settings::SetFlag("speech.speakWords", c.speakWords);
        settings::SetFlag("speech.dictation", c.dictation);
        settings::Set("speech.accent", "uk");
        Start();
        drill.testMode = c.test ? 1 : 0;
        const WordRecord entry = Entry("apple");
        if (c.event == F2) {
            // The word comes on screen first; F2 then asks for it again.
            (c.test ? hooks::testEntryShown : hooks::practiceWordShown)(entry);
            Heard();
            backend.sound.Clear();
            EXPECT_TRUE(Key(kF2)) << c.name;
        } else {
            (c.event == TestShown ? hooks::testEntryShown : hooks::practiceWordShown)(entry);
        }
        EXPECT_EQ(Heard(), c.spoken ? std::vector<std::string>{"apple"} : std::vector<std::string>{}) << c.name;
    }
}

TEST_F(SpeechFeatureTest, TheKeyAndTheMenuSwitchTheVoice) {
    Start();
    hooks::practiceWordShown(Entry("water"));
    EXPECT_TRUE(Heard().empty()) << "off until turned on";
    Key(kF5);  // 朗读单词 on: says the word on the canvas, in the default US voice
    EXPECT_EQ(Heard(), (std::vector<std::string>{"?/us"}));
    backend.sound.Clear();
    backend.windows.popupMenuAnswer = [](const auto&) { return 2; };  // 英音
    menu::Open(0, 0);
    EXPECT_EQ(Heard(), (std::vector<std::string>{"water"}));
}

}  // namespace

#include "features/speech/speech_feature.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>

#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "features/feature_menu.h"
#include "features/phonetics/shared_table.h"
#include "features/settings.h"
#include "features/speech/speaker.h"

namespace kestran::speech {
namespace {

using plat::VoiceAccent;

constexpr char kSpeakWordsKey[] = "speech.speakWords";
constexpr char kAccentKey[] = "speech.accent";  // "us" or "uk"
constexpr char kDictationKey[] = "speech.dictation";

constexpr char kSpeakWordsText[] = "\xC0\xCA\xB6\xC1\xB5\xA5\xB4\xCA";  // 朗读单词
constexpr char kAmericanText[] = "\xC3\xC0\xD2\xF4";                    // 美音
constexpr char kBritishText[] = "\xD3\xA2\xD2\xF4";                     // 英音
constexpr char kDictationText[] = "\xCC\xFD\xD0\xB4";                   // 听写
constexpr char kRepeatText[] = "\xD4\xD9\xB6\xC1\xD2\xBB\xB1\xE9";      // 再读一遍

// Set on UiThread, read by the hooks on RenderThread.
std::atomic<bool> speakWords{false};
std::atomic<bool> dictation{false};
std::atomic<VoiceAccent> accent{VoiceAccent::American};

// The word each view showed last, for F2.
std::mutex shownMutex;
std::string practiceWord;
std::string testWord;

std::string EnglishWord(const WordRecord& entry) { return std::string(entry.word, strnlen(entry.word, kWordFieldSize)); }

void Say(const std::string& word) { TheSpeaker().Speak(word.c_str(), accent.load()); }

// RenderThread: a new word entered the canvas in practice.
void OnPracticeWordShown(const WordRecord& entry) {
    const std::string word = EnglishWord(entry);
    {
        std::lock_guard lock(shownMutex);
        practiceWord = word;
    }
    if (speakWords) Say(word);
}

// RenderThread: the test asks another entry.
void OnTestEntryShown(const WordRecord& entry) {
    const std::string word = EnglishWord(entry);
    {
        std::lock_guard lock(shownMutex);
        testWord = word;
    }
    if (dictation) Say(word);
}

// What F2 says: the practice word, or in the test the entry asked, and that
// only while dictation is on.
std::string WordToRepeat() {
    if (drill.listLoaded != 1) return {};
    std::lock_guard lock(shownMutex);
    if (drill.testMode == 0) return drill.practiceFinished == 0 ? practiceWord : std::string();
    return dictation && drill.testFinished == 0 ? testWord : std::string();
}

bool CanRepeat() { return !WordToRepeat().empty(); }

void Repeat() {
    const std::string word = WordToRepeat();
    if (!word.empty()) Say(word);
}

// Turning a voice on, or changing it, says the current word at once.
void SayCurrentWhenHeard() {
    const bool heard = drill.testMode == 0 ? speakWords.load() : dictation.load();
    if (heard) Repeat();
}

void ToggleSpeakWords() {
    speakWords = !speakWords;
    settings::SetFlag(kSpeakWordsKey, speakWords);
    SayCurrentWhenHeard();
}

void ToggleDictation() {
    dictation = !dictation;
    settings::SetFlag(kDictationKey, dictation);
    SayCurrentWhenHeard();
}

void ChooseAccent(VoiceAccent chosen) {
    // The British phones come from the phonetic table: read it before the
    // first British word is asked for.
    if (chosen == VoiceAccent::British) phonetics::LoadInBackground();
    accent = chosen;
    settings::Set(kAccentKey, chosen == VoiceAccent::British ? "uk" : "us");
    SayCurrentWhenHeard();
}

}  // namespace

void Install() {
    speakWords = settings::GetFlag(kSpeakWordsKey, false);
    dictation = settings::GetFlag(kDictationKey, false);
    accent = settings::Get(kAccentKey, "us") == "uk" ? VoiceAccent::British : VoiceAccent::American;
    if (accent.load() == VoiceAccent::British) phonetics::LoadInBackground();

    hooks::practiceWordShown.Add(OnPracticeWordShown);
    hooks::testEntryShown.Add(OnTestEntryShown);

    menu::AddItem({[] { return std::string(kSpeakWordsText); }, plat::VK_F1 + 4, [] { return speakWords.load(); },
                   nullptr, ToggleSpeakWords, true});
    menu::AddItem({[] { return std::string(kAmericanText); }, 0,
                   [] { return accent.load() == VoiceAccent::American; }, nullptr,
                   [] { ChooseAccent(VoiceAccent::American); }, false});
    menu::AddItem({[] { return std::string(kBritishText); }, 0, [] { return accent.load() == VoiceAccent::British; },
                   nullptr, [] { ChooseAccent(VoiceAccent::British); }, false});
    menu::AddItem({[] { return std::string(kDictationText); }, plat::VK_F1 + 5, [] { return dictation.load(); },
                   nullptr, ToggleDictation, false});
    menu::AddItem({[] { return std::string(kRepeatText); }, plat::VK_F1 + 1, nullptr, CanRepeat, Repeat, false});
}

}  // namespace kestran::speech

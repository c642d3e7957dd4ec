// The speaker thread on the display-less backend: which voice speaks, what
// reaches the platform, and that nothing asked of it ever waits.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "platform/headless/headless_backend.h"
#include "features/speech/speaker.h"

namespace {

using plat::VoiceAccent;
using Played = plat::HeadlessSound::SpeechPlayed;

struct VoiceCase {
    const char* name;
    std::vector<VoiceAccent> systemVoices;
    VoiceAccent asked;
    bool bySystem;  // else samples from the built-in synthesiser
};

void PrintTo(const VoiceCase& c, std::ostream* os) { *os << c.name; }

class VoiceChoice : public ::testing::TestWithParam<VoiceCase> {};

TEST_P(VoiceChoice, TheSystemVoiceOfTheAccentSpeaksElseTheBuiltInOne) {
    plat::HeadlessBackend backend;
    backend.sound.SetSystemVoices(GetParam().systemVoices);
    kestran::speech::Speaker speaker;
    speaker.Speak("apple", GetParam().asked);
    speaker.WaitUntilIdle();
    const std::vector<Played> spoken = backend.sound.Spoken();
    ASSERT_EQ(spoken.size(), 1u);
    if (GetParam().bySystem) {
        EXPECT_EQ(spoken[0].systemWord, "apple");
        return;
    }
    EXPECT_EQ(spoken[0].systemWord, "");
    ASSERT_GT(spoken[0].rate, 0);
    const double seconds = static_cast<double>(spoken[0].samples) / spoken[0].rate;
    EXPECT_GT(seconds, 0.2);
    EXPECT_LT(seconds, 2.0);
    EXPECT_GT(spoken[0].peak, 3000) << "near silence";
}

INSTANTIATE_TEST_SUITE_P(
    Speaker, VoiceChoice,
    ::testing::Values(VoiceCase{"NoSystemVoice", {}, VoiceAccent::British, false},
                      VoiceCase{"SystemAmerican", {VoiceAccent::American}, VoiceAccent::American, true},
                      VoiceCase{"SystemHasOnlyTheOtherAccent", {VoiceAccent::American}, VoiceAccent::British, false}),
    [](const auto& info) { return std::string(info.param.name); });

// Holds the speaker thread inside the platform call until released, to show
// that asking never waits for a word being spoken.
class BlockingSystemVoice final : public plat::Sound {
public:
    bool PlaySoundAsync(const char*) override { return true; }
    bool SpeakWithSystemVoice(const char* word, VoiceAccent) override {
        std::unique_lock lock(mutex);
        words.push_back(word);
        changed.notify_all();
        changed.wait(lock, [this] { return open; });
        return true;
    }
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    std::vector<std::string> words;
};

TEST(Speaker, AskingNeverWaitsAndOnlyTheLatestWordFollows) {
    plat::HeadlessBackend backend;
    BlockingSystemVoice voice;
    plat::Services services = plat::Installed();
    services.sound = &voice;
    const plat::Services before = plat::Install(services);
    {
        kestran::speech::Speaker speaker;
        speaker.Speak("first", VoiceAccent::American);
        std::unique_lock lock(voice.mutex);
        voice.changed.wait(lock, [&] { return !voice.words.empty(); });
        lock.unlock();
        // The thread is stuck in the voice; these return all the same.
        for (const char* word : {"second", "third", "fourth"}) speaker.Speak(word, VoiceAccent::American);
        lock.lock();
        voice.open = true;
        voice.changed.notify_all();
        lock.unlock();
        speaker.WaitUntilIdle();
    }
    plat::Install(before);
    EXPECT_EQ(voice.words, (std::vector<std::string>{"first", "fourth"}));
}

TEST(Speaker, WordsWithoutALatinLetterAreNotSpoken) {
    plat::HeadlessBackend backend;
    kestran::speech::Speaker speaker;
    speaker.Speak("apple", VoiceAccent::American);
    speaker.WaitUntilIdle();
    speaker.Speak("", VoiceAccent::American);
    speaker.Speak("\xC6\xBB\xB9\xFB", VoiceAccent::American);  // GBK, no Latin letter
    speaker.Speak("1 2 3", VoiceAccent::American);
    speaker.WaitUntilIdle();
    EXPECT_EQ(backend.sound.Spoken().size(), 1u);
}

}  // namespace

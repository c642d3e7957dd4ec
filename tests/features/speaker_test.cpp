// The speaker thread on the display-less backend: which voice speaks, what
// reaches the platform, and that nothing asked of it ever waits.
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "platform/headless/headless_backend.h"
#include "features/speech/speaker.h"

namespace {

using plat::VoiceAccent;
TEST(Speaker, TheSystemVoiceOfTheAccentSpeaksElseTheBuiltInOne) {
    struct Case {
        std::vector<VoiceAccent> systemVoices;
        VoiceAccent asked;
        bool bySystem;  // else samples from the built-in synthesiser
    };
    for (const Case& c : {Case{{}, VoiceAccent::British, false}, Case{{VoiceAccent::American}, VoiceAccent::American, true},
                          Case{{VoiceAccent::American}, VoiceAccent::British, false}}) {
        plat::HeadlessBackend backend;
        backend.sound.SetSystemVoices(c.systemVoices);
        kestran::speech::Speaker speaker;
        speaker.Speak("apple", c.asked);
        speaker.WaitUntilIdle();
        const auto spoken = backend.sound.Spoken();
        ASSERT_EQ(spoken.size(), 1u);
        EXPECT_EQ(spoken[0].systemWord, c.bySystem ? "apple" : "");
        if (c.bySystem) continue;
        const double seconds = static_cast<double>(spoken[0].samples) / std::max(1, spoken[0].rate);
        EXPECT_TRUE(seconds > 0.2 && seconds < 2.0) << seconds;
        EXPECT_GT(spoken[0].peak, 3000) << "near silence";
    }
}

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

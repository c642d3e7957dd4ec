// Speech on the Windows backend: which installed system voice is taken,
// how long a hit sound holds speech back, and a word spoken through the
// real services, by the system's voice or else by the built-in synthesiser
// played on the wave-out device.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/sapi_voice.h"
#include "platform/win32/speech_engines.h"
#include "platform/win32/wave_out_speech.h"
#include "platform/win32/win32_media.h"
#include "features/speech/speaker.h"
#include "tests/dialog/wav_writer.h"

namespace {

using plat::VoiceAccent;

TEST(SapiVoiceChoice, TheFirstVoiceOfTheAccentsLanguage) {
    struct Case {
        std::vector<std::wstring> languages;
        VoiceAccent accent;
        int chosen;
    };
    const Case cases[] = {
        {{}, VoiceAccent::American, -1},
        {{L"804"}, VoiceAccent::American, -1},                   // Chinese only
        {{L"804", L"409"}, VoiceAccent::American, 1},
        {{L"804", L"409"}, VoiceAccent::British, -1},
        {{L"409;9", L"809;9"}, VoiceAccent::British, 1},        // several ids
        {{L"0409", L"809"}, VoiceAccent::American, 0},          // leading zero
        {{L"4809", L"809"}, VoiceAccent::British, 1},           // not a prefix match
        {{L"x;809"}, VoiceAccent::British, -1},                 // garbage stops the list
        {{L"c09", L"409"}, VoiceAccent::American, 1},           // Australian is not taken
    };
    for (const Case& c : cases) {
        std::wstring shown;
        for (const std::wstring& l : c.languages) shown += l + L" ";
        EXPECT_EQ(plat::win32::ChooseVoice(c.languages, c.accent), c.chosen)
            << std::string(shown.begin(), shown.end());
    }
}

TEST(WaveSeconds, FromTheFormatAndDataChunks) {
    using sound_test::Wav;
    EXPECT_DOUBLE_EQ(plat::win32::WaveSeconds(Wav(44100, 1, 16, std::string(44100, '\0'))), 0.5);
    // A chunk of odd size before the data, padded to an even one.
    std::string listed = Wav(22050, 2, 16, std::string(88200, '\0'));
    listed.insert(36, std::string("LIST\3\0\0\0xyz\0", 12));
    EXPECT_DOUBLE_EQ(plat::win32::WaveSeconds(listed), 1.0);
    EXPECT_EQ(plat::win32::WaveSeconds("RIFF junk"), 0.0);
}

// Engines that tell whether they are sounding a word; the system has an
// American voice only, so a British word falls to the built-in one.
struct FakeSystemVoice {
    bool sounding = false;
    bool Speak(const wchar_t*, VoiceAccent accent) { return accent == VoiceAccent::American && (sounding = true); }
    void Stop() { sounding = false; }
};
struct FakeSampleDevice {
    bool sounding = false;
    bool Play(const std::int16_t*, std::size_t, int) { return sounding = true; }
    void Stop() { sounding = false; }
};

TEST(SpeechEngines, AWordFromEitherEngineCutsOffTheOther) {
    FakeSystemVoice voice;
    FakeSampleDevice device;
    plat::win32::SpeechEngines engines(voice, device);
    const std::int16_t samples[4] = {};
    int n = 0;
    for (const VoiceAccent accent : {VoiceAccent::American, VoiceAccent::British, VoiceAccent::American}) {
        // As the speaker does: the system voice, else the built-in one.
        if (!engines.SpeakWithSystemVoice(L"apple", accent)) engines.PlaySamples(samples, 4, 16000);
        const bool bySystem = accent == VoiceAccent::American;
        EXPECT_EQ(voice.sounding, bySystem) << "word " << n;
        EXPECT_EQ(device.sounding, !bySystem) << "word " << n++;
    }
}

// Opening the wave-out device can take long (a driver waking up, a USB
// headset); the ticker starting a hit sound meanwhile must not wait for it.
TEST(WaveOutSpeech, AHitSoundDoesNotWaitForTheDeviceToOpen) {
    using namespace std::chrono_literals;
    std::promise<void> opening, release;
    std::shared_future<void> released = release.get_future().share();
    plat::win32::WaveOutSpeech speech([&](int rate) {
        opening.set_value();
        released.wait();
        return plat::win32::WaveOutSpeech::OpenWaveOut(rate);
    });
    const std::vector<std::int16_t> samples(1600, 0);
    std::thread speaker([&] { speech.Play(samples.data(), samples.size(), 16000); });
    opening.get_future().wait();
    auto hit = std::async(std::launch::async, [&] { speech.HitStarted(L"RES\\41.wav"); });
    EXPECT_EQ(hit.wait_for(5s), std::future_status::ready) << "the hit sound waited for the device to open";
    release.set_value();
    speaker.join();
    hit.wait();
}

// Forwards to the real Windows services and notes which way a word went.
class ObservedSound final : public plat::Sound {
public:
    explicit ObservedSound(plat::Sound& real) : real_(real) {}
    bool PlaySoundAsync(const char* path) override { return real_.PlaySoundAsync(path); }
    bool PlaySpeechAsync(const std::int16_t* samples, std::size_t count, int rate) override {
        synthesisedSeconds = static_cast<double>(count) / rate;
        deviceTookIt = real_.PlaySpeechAsync(samples, count, rate);
        return deviceTookIt;
    }
    bool SpeakWithSystemVoice(const char* word, VoiceAccent accent) override {
        systemVoiceSpoke = real_.SpeakWithSystemVoice(word, accent);
        return systemVoiceSpoke;
    }
    bool systemVoiceSpoke = false;
    bool deviceTookIt = false;
    double synthesisedSeconds = 0;

private:
    plat::Sound& real_;
};

TEST(WindowsSpeech, AWordIsSpokenByTheSystemVoiceOrElseByTheBuiltInOne) {
    for (VoiceAccent accent : {VoiceAccent::American, VoiceAccent::British}) {
        ObservedSound sound(plat::win32::WinmmSound());
        plat::Services services;
        services.sound = &sound;
        const plat::Services before = plat::Install(services);
        {
            kestran::speech::Speaker speaker;
            speaker.Speak("apple", accent);
            speaker.WaitUntilIdle();
        }
        plat::Install(before);
        std::printf("accent %d: system voice %s; built-in %.2f s, wave-out device %s\n", static_cast<int>(accent),
                    sound.systemVoiceSpoke ? "spoke" : "none", sound.synthesisedSeconds,
                    sound.deviceTookIt ? "took it" : "none");
        if (sound.systemVoiceSpoke) continue;
        EXPECT_GT(sound.synthesisedSeconds, 0.2);
        EXPECT_LT(sound.synthesisedSeconds, 2.0);
    }
}

}  // namespace

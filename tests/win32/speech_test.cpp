// Speech on the Windows backend: which installed system voice is taken,
// how long a hit sound holds speech back, and a word spoken through the
// real services, by the system's voice or else by the built-in synthesiser
// played on the wave-out device.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/sapi_voice.h"
#include "platform/win32/wave_out_speech.h"
#include "platform/win32/win32_media.h"
#include "features/speech/speaker.h"

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

std::string Wave(std::uint32_t byteRate, std::uint32_t dataBytes, bool extraChunk) {
    std::string b("RIFF\0\0\0\0WAVE", 12);
    auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b += static_cast<char>(v >> (8 * i) & 0xFF);
    };
    b += "fmt ";
    u32(16);
    b += std::string("\x01\x00\x01\x00", 4);
    u32(byteRate / 2);
    u32(byteRate);
    b += std::string("\x02\x00\x10\x00", 4);
    if (extraChunk) {
        b += "LIST";
        u32(3);
        b += std::string(4, 'x');  // odd size, padded
    }
    b += "data";
    u32(dataBytes);
    return b;
}

TEST(WaveSeconds, FromTheFormatAndDataChunks) {
    EXPECT_DOUBLE_EQ(plat::win32::WaveSeconds(Wave(88200, 44100, false)), 0.5);
    EXPECT_DOUBLE_EQ(plat::win32::WaveSeconds(Wave(88200, 88200, true)), 1.0);
    EXPECT_EQ(plat::win32::WaveSeconds("RIFF junk"), 0.0);
    EXPECT_EQ(plat::win32::WaveSeconds(Wave(0, 100, false)), 0.0);
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

// Words are heard through two engines on Windows: the system's voice of the
// accent where one is installed, else the built-in synthesiser's samples on
// the wave-out device. One accent may have a system voice and the other not,
// and the learner may switch accent between two words: so a word from either
// engine cuts off what the other is still saying, and two words never sound
// together.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace plat::win32 {

// SystemVoice: bool Speak(const wchar_t*, VoiceAccent), void Stop().
// SampleDevice: bool Play(const std::int16_t*, std::size_t, int), void Stop().
// Both engines are used from one thread, the speaker's.
template <class SystemVoice, class SampleDevice>
class SpeechEngines {
public:
    SpeechEngines(SystemVoice& voice, SampleDevice& device) : voice_(voice), device_(device) {}

    // False when the accent has no system voice: nothing was cut off then,
    // the caller makes the word itself and plays it.
    bool SpeakWithSystemVoice(const wchar_t* word, VoiceAccent accent) {
        if (!voice_.Speak(word, accent)) return false;
        device_.Stop();
        return true;
    }
    bool PlaySamples(const std::int16_t* samples, std::size_t count, int rate) {
        voice_.Stop();
        return device_.Play(samples, count, rate);
    }

private:
    SystemVoice& voice_;
    SampleDevice& device_;
};

}  // namespace plat::win32

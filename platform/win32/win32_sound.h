// The hit sound through the multimedia call, played in the background;
// speech through the system's voices or the wave-out device.
#pragma once

#include <string>

#include "platform/platform.h"
#include "platform/win32/sapi_voice.h"
#include "platform/win32/speech_engines.h"
#include "platform/win32/wave_out_speech.h"

namespace plat::win32 {

class WinmmSoundService final : public Sound {
public:
    bool PlaySoundAsync(const char* path) override;
    bool PlaySpeechAsync(const std::int16_t* samples, std::size_t count, int rate) override;
    bool SpeakWithSystemVoice(const char* word, VoiceAccent accent) override;

private:
    WaveOutSpeech speech_;
    SapiVoice systemVoice_;
    SpeechEngines<SapiVoice, WaveOutSpeech> engines_{systemVoice_, speech_};
};

// What to hand the multimedia call for a GBK path: the file's full name,
// resolved against the working directory of the moment (the system would
// otherwise also search its own folders for a relative name), or the
// system's default sound when no regular file is there.
std::wstring SoundToPlay(const char* path);

// The registry alias of the default sound.
inline constexpr const wchar_t* kDefaultSound = L"SystemDefault";

}  // namespace plat::win32

#include "platform/win32/win32_sound.h"

#include <vector>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_imaging.h"
#include "platform/win32/win32_media.h"
#include "platform/win32/windows_fence.h"

namespace plat::win32 {

std::wstring SoundToPlay(const char* path) {
    const std::wstring name = WideFromGbk(path);
    if (name.empty() || !IsRegularFile(name)) return kDefaultSound;
    const DWORD needed = ::GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return kDefaultSound;
    std::vector<wchar_t> full(needed);
    const DWORD written = ::GetFullPathNameW(name.c_str(), needed, full.data(), nullptr);
    if (written == 0 || written >= needed) return kDefaultSound;
    return std::wstring(full.data(), written);
}

bool WinmmSoundService::PlaySoundAsync(const char* path) {
    // Not SND_NODEFAULT: a missing file plays the default sound, and the
    // file is read anew at every call.
    const std::wstring file = SoundToPlay(path);
    const bool played = ::sndPlaySoundW(file.c_str(), SND_ASYNC) != FALSE;
    speech_.HitStarted(file);
    return played;
}

bool WinmmSoundService::PlaySpeechAsync(const std::int16_t* samples, std::size_t count, int rate) {
    return engines_.PlaySamples(samples, count, rate);
}

// The system voice speaks at once, also over a hit sound: both are mixed.
bool WinmmSoundService::SpeakWithSystemVoice(const char* word, VoiceAccent accent) {
    return engines_.SpeakWithSystemVoice(WideFromGbk(word).c_str(), accent);
}

// Never destroyed: the speaker's thread may be playing through it while
// the process ends, whatever way it ends.
Sound& WinmmSound() {
    static auto* service = new WinmmSoundService();
    return *service;
}

}  // namespace plat::win32

// The system's own voices (SAPI 5): a word is spoken by an installed voice
// whose language is US or UK English. Chinese Windows often has none; the
// caller then speaks the word itself.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace plat::win32 {

// The voice to take among voices whose "Language" attributes are given
// (hexadecimal language ids separated by ';', as "409;9"): the first one
// of the accent's language, 409 for American, 809 for British. -1: none.
int ChooseVoice(const std::vector<std::wstring>& languages, VoiceAccent accent);

// Looks the voices up at its first word; all calls from one thread, whose
// COM it starts.
class SapiVoice {
public:
    SapiVoice() = default;
    ~SapiVoice();  // leaves COM alone
    SapiVoice(const SapiVoice&) = delete;
    SapiVoice& operator=(const SapiVoice&) = delete;

    // False when no voice of the accent is installed or it cannot speak.
    bool Speak(const wchar_t* word, VoiceAccent accent);
    // Cuts off the word still being said, if any.
    void Stop();

private:
    void LookUpVoices();

    bool looked_ = false;
    void* voice_ = nullptr;          // ISpVoice
    void* tokens_[2] = {};           // ISpObjectToken per accent
};

}  // namespace plat::win32

// Words spoken by flite, the synthesiser built into the program: its
// American voice cmu_us_rms and its British (Scottish English) voice
// cmu_us_awb, the two the speech benchmark hears best.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace kestran::speech {

struct Utterance {
    std::vector<std::int16_t> samples;  // mono
    int rate = 0;
};

// The word in the accent's voice; no samples when flite makes none. Voices
// are set up at the first call; calls come from one thread.
Utterance SynthesiseWord(const char* word, plat::VoiceAccent accent);

}  // namespace kestran::speech

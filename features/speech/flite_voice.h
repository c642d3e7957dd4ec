// Words spoken by flite, the synthesiser built into the program: its
// American voice cmu_us_rms and its British (Scottish English) voice
// cmu_us_awb, the two the speech benchmark hears best. The British voice
// reads the American lexicon; given the word's British phones it speaks
// those instead.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace kestran::speech {

struct Utterance {
    std::vector<std::int16_t> samples;  // mono
    int rate = 0;
    std::vector<std::string> phones;    // the phones spoken, pauses left out
};

// The word in the accent's voice; no samples when flite makes none.
// `phones`, when not empty, are flite phones with stress digits
// ("t ax0 m aa1 t ow0") spoken in place of the lexicon's. Voices are set up
// at the first call; calls come from one thread.
Utterance SynthesiseWord(const char* word, plat::VoiceAccent accent, const std::string& phones = {});

}  // namespace kestran::speech

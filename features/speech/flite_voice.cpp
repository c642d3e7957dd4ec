#include "features/speech/flite_voice.h"

#include <flite/flite.h>

extern "C" {
cst_voice* register_cmu_us_rms(const char* voxdir);
cst_voice* register_cmu_us_awb(const char* voxdir);
}

namespace kestran::speech {
namespace {

cst_voice* VoiceFor(plat::VoiceAccent accent) {
    static const bool started = flite_init() == 0;
    static cst_voice* const american = started ? register_cmu_us_rms(nullptr) : nullptr;
    static cst_voice* const british = started ? register_cmu_us_awb(nullptr) : nullptr;
    return accent == plat::VoiceAccent::British ? british : american;
}

}  // namespace

Utterance SynthesiseWord(const char* word, plat::VoiceAccent accent) {
    Utterance utterance;
    cst_voice* voice = VoiceFor(accent);
    if (!voice || !word) return utterance;
    cst_wave* wave = flite_text_to_wave(word, voice);
    if (!wave) return utterance;
    if (wave->num_channels == 1 && wave->num_samples > 0) {
        utterance.samples.assign(wave->samples, wave->samples + wave->num_samples);
        utterance.rate = wave->sample_rate;
    }
    delete_wave(wave);
    return utterance;
}

}  // namespace kestran::speech

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

// The word as one token; with phones, the token carries them, as an SSML
// phoneme element does, and the lexicon is not asked.
cst_utterance* Synthesise(const char* word, const std::string& phones, cst_voice* voice) {
    if (phones.empty()) return flite_synth_text(word, voice);
    cst_utterance* utterance = new_utterance();
    cst_item* token = relation_append(utt_relation_create(utterance, "Token"), nullptr);
    item_set_string(token, "name", word);
    item_set_string(token, "phones", phones.c_str());
    return flite_do_synth(utterance, voice, utt_synth_tokens);
}

}  // namespace

Utterance SynthesiseWord(const char* word, plat::VoiceAccent accent, const std::string& phones) {
    Utterance result;
    cst_voice* voice = VoiceFor(accent);
    if (!voice || !word) return result;
    cst_utterance* utterance = Synthesise(word, phones, voice);
    if (!utterance) return result;
    for (cst_item* segment = relation_head(utt_relation(utterance, "Segment")); segment;
         segment = item_next(segment)) {
        const char* name = item_feat_string(segment, "name");
        if (std::string(name) != "pau") result.phones.emplace_back(name);
    }
    const cst_wave* wave = utt_wave(utterance);
    if (wave && wave->num_channels == 1 && wave->num_samples > 0) {
        result.samples.assign(wave->samples, wave->samples + wave->num_samples);
        result.rate = wave->sample_rate;
    }
    delete_utterance(utterance);
    return result;
}

}  // namespace kestran::speech

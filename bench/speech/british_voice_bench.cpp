// How well 英音 from the word books' British transcriptions is understood.
//
// From the phonetic table: how many transcriptions flite's phones can say.
// Then a sample of 200 of its words (evenly spread, single words the
// recogniser's dictionary knows) is spoken in both accents the way the
// program speaks them without a system voice: 英音 by cmu_us_awb from the
// British phones, 美音 by cmu_us_rms from flite's lexicon. pocketsphinx,
// given exactly those words as its grammar and each word's British phones
// as a second pronunciation in its dictionary, names what it hears.
// Exits non-zero when either accent is heard right under 90 %.
//
// usage: bench_british_voice PHONETICS.TSV
#include <SDL2/SDL.h>
#include <pocketsphinx.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "features/phonetics/british_phones.h"
#include "features/phonetics/phonetic_table.h"
#include "features/speech/flite_voice.h"

namespace {

constexpr int kRecogniserRate = 16000;
constexpr std::size_t kSampleSize = 200;
constexpr double kRightLimit = 0.90;

struct Word {
    std::string text, ipa, phones;
};

bool PlainWord(const std::string& word) {
    if (word.size() < 2) return false;
    for (char c : word)
        if (!std::islower(static_cast<unsigned char>(c))) return false;
    return true;
}

// flite's phones as the recogniser writes them: upper case, no stress,
// the schwa as AH.
std::string SphinxPhones(const std::string& flite) {
    std::string out;
    for (const std::string& phone : kestran::phonetics::PhoneNames(flite)) {
        std::string upper = phone == "ax" ? "ah" : phone;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        out += (out.empty() ? "" : " ") + upper;
    }
    return out;
}

std::vector<short> To16k(const std::vector<std::int16_t>& in, int from) {
    if (from == kRecogniserRate) return {in.begin(), in.end()};
    SDL_AudioStream* stream = SDL_NewAudioStream(AUDIO_S16SYS, 1, from, AUDIO_S16SYS, 1, kRecogniserRate);
    if (!stream) return {};
    const std::vector<short> tail(static_cast<std::size_t>(from / 10), 0);
    SDL_AudioStreamPut(stream, in.data(), static_cast<int>(in.size() * sizeof(short)));
    SDL_AudioStreamPut(stream, tail.data(), static_cast<int>(tail.size() * sizeof(short)));
    SDL_AudioStreamFlush(stream);
    std::vector<short> out(static_cast<std::size_t>(SDL_AudioStreamAvailable(stream)) / sizeof(short));
    const int got = SDL_AudioStreamGet(stream, out.data(), static_cast<int>(out.size() * sizeof(short)));
    out.resize(got > 0 ? static_cast<std::size_t>(got) / sizeof(short) : 0);
    SDL_FreeAudioStream(stream);
    return out;
}

std::string Recognise(ps_decoder_t* decoder, const std::vector<short>& samples) {
    std::vector<short> padded(kRecogniserRate / 5, 0);
    padded.insert(padded.end(), samples.begin(), samples.end());
    padded.insert(padded.end(), kRecogniserRate / 5, 0);
    ps_start_utt(decoder);
    ps_process_raw(decoder, padded.data(), padded.size(), FALSE, TRUE);
    ps_end_utt(decoder);
    std::int32_t score = 0;
    const char* hyp = ps_get_hyp(decoder, &score);
    std::string heard = hyp ? hyp : "";
    // A second pronunciation is named "word(2)".
    if (const std::size_t paren = heard.find('('); paren != std::string::npos) heard.erase(paren);
    return heard;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_british_voice PHONETICS.TSV\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string text = bytes.str();

    // Every line, in file order, and how many of them have British phones.
    std::vector<Word> all;
    std::size_t lines = 0;
    std::vector<std::string> unread;
    for (std::istringstream lineStream(text); lineStream;) {
        std::string line;
        if (!std::getline(lineStream, line) || line.empty()) continue;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        ++lines;
        Word word{line.substr(0, tab), line.substr(tab + 1), ""};
        word.phones = kestran::phonetics::FlitePhonesFromIpa(word.ipa);
        if (word.phones.empty()) {
            if (unread.size() < 12) unread.push_back(word.text + " /" + word.ipa + "/");
            continue;
        }
        all.push_back(word);
    }
    std::printf("%zu transcriptions, %zu said in flite's phones (%.1f %%); not read, e.g.:", lines, all.size(),
                lines ? 100.0 * all.size() / lines : 0.0);
    for (const std::string& u : unread) std::printf(" %s", u.c_str());
    std::printf("\n");

    const std::string model = "/usr/share/pocketsphinx/model/en-us";
    cmd_ln_t* config = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", (model + "/en-us").c_str(), "-dict",
                                   (model + "/cmudict-en-us.dict").c_str(), "-logfn", "/dev/null", nullptr);
    ps_decoder_t* decoder = config ? ps_init(config) : nullptr;
    if (!decoder) {
        std::fprintf(stderr, "pocketsphinx: no decoder (is pocketsphinx-en-us installed?)\n");
        return 2;
    }
    std::vector<Word> candidates;
    for (const Word& word : all)
        if (PlainWord(word.text) && ps_lookup_word(decoder, word.text.c_str())) candidates.push_back(word);
    std::vector<Word> sample;
    for (std::size_t i = 0; i < kSampleSize && i < candidates.size(); ++i)
        sample.push_back(candidates[i * candidates.size() / kSampleSize]);

    std::string grammar = "#JSGF V1.0;\ngrammar words;\npublic <word> = ";
    for (std::size_t i = 0; i < sample.size(); ++i) {
        const std::string alternative = sample[i].text + "(2)";
        if (!ps_lookup_word(decoder, alternative.c_str()))
            ps_add_word(decoder, alternative.c_str(), SphinxPhones(sample[i].phones).c_str(), FALSE);
        else
            ps_add_word(decoder, (sample[i].text + "(9)").c_str(), SphinxPhones(sample[i].phones).c_str(), FALSE);
        grammar += (i ? " | " : "") + sample[i].text;
    }
    grammar += ";\n";
    if (ps_set_jsgf_string(decoder, "words", grammar.c_str()) != 0 || ps_set_search(decoder, "words") != 0) {
        std::fprintf(stderr, "pocketsphinx: the grammar was refused\n");
        return 2;
    }

    bool ok = true;
    for (const plat::VoiceAccent accent : {plat::VoiceAccent::British, plat::VoiceAccent::American}) {
        const bool british = accent == plat::VoiceAccent::British;
        int right = 0;
        std::string misses;
        for (const Word& word : sample) {
            const auto spoken = kestran::speech::SynthesiseWord(word.text.c_str(), accent,
                                                                british ? word.phones : std::string());
            const std::string heard = Recognise(decoder, To16k(spoken.samples, spoken.rate));
            if (heard == word.text)
                ++right;
            else
                misses += " " + word.text + "->" + (heard.empty() ? "?" : heard);
        }
        const double share = sample.empty() ? 0 : static_cast<double>(right) / sample.size();
        const bool pass = share >= kRightLimit;
        ok = ok && pass;
        std::printf("%s (%s): %d of %zu heard right, %.1f %% (>= %.0f %%: %s)\n  misheard:%s\n",
                    british ? "英音 cmu_us_awb from the British phones" : "美音 cmu_us_rms from flite's lexicon",
                    british ? "uk" : "us", right, sample.size(), 100 * share, 100 * kRightLimit,
                    pass ? "PASS" : "FAIL", misses.c_str());
    }
    ps_free(decoder);
    return ok ? 0 : 1;
}

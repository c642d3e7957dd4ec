// Chooses between the two Debian speech synthesisers by measurement.
//
// For every voice of flite and espeak-ng, each word of the given lists is
// synthesised once:
//   latency          time from the request to the first sample (flite hands
//                    over the whole word, espeak-ng its first chunk), plus
//                    the conversion to the hit sound's device format and
//                    that device's buffer, as the program plays it;
//   intelligibility  the word, resampled to 16 kHz, is recognised by
//                    pocketsphinx with a grammar of exactly the list's words,
//                    and the picks that name the word are counted.
// Exits non-zero when a voice the program speaks with misses 150 ms at the
// 95th percentile or 90 % right picks.
//
// usage: bench_speech_engines LIST...
#include <SDL2/SDL.h>
#include <espeak-ng/speak_lib.h>
#include <flite/flite.h>
#include <flite/flite_version.h>
#include <pocketsphinx.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

extern "C" {
cst_voice* register_cmu_us_kal16(const char*);
cst_voice* register_cmu_us_slt(const char*);
cst_voice* register_cmu_us_rms(const char*);
cst_voice* register_cmu_us_awb(const char*);
void usenglish_init(cst_voice*);
cst_lexicon* cmulex_init();
}

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRecogniserRate = 16000;
constexpr double kLatencyLimitMs = 150.0;
constexpr double kRightLimit = 0.90;
// The hit sound's device: 16-bit stereo at 44.1 kHz, 1024 frames a buffer.
constexpr int kDeviceRate = 44100;
constexpr int kDeviceFrames = 1024;

struct Spoken {
    std::vector<short> samples;  // mono
    int rate = 0;
    double firstSampleMs = 0;
};

struct Voice {
    std::string engine;
    std::string name;
    std::function<Spoken(const std::string&)> speak;
};

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The English word of each line of a word list: its first field.
std::vector<std::string> ReadWords(const std::vector<std::string>& files) {
    std::vector<std::string> words;
    for (const std::string& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::string line;
        while (std::getline(in, line)) {
            const std::size_t end = line.find_first_of(" \t\r");
            std::string word = line.substr(0, end);
            if (!word.empty()) words.push_back(word);
        }
    }
    return words;
}

std::vector<short> Resample(const std::vector<short>& in, int from, int to, int channels) {
    SDL_AudioStream* stream = SDL_NewAudioStream(AUDIO_S16SYS, 1, from, AUDIO_S16SYS, channels, to);
    if (!stream) return {};
    // Flushed, the stream still keeps back its last few tens of
    // milliseconds; the program pads the word with silence, as here.
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

Voice FliteVoice(const char* name, cst_voice* voice) {
    return {"flite " FLITE_PROJECT_VERSION, name, [voice](const std::string& word) {
                Spoken spoken;
                const Clock::time_point start = Clock::now();
                cst_wave* wave = flite_text_to_wave(word.c_str(), voice);
                spoken.firstSampleMs = MsSince(start);
                if (wave) {
                    spoken.rate = wave->sample_rate;
                    spoken.samples.assign(wave->samples, wave->samples + wave->num_samples);
                    delete_wave(wave);
                }
                return spoken;
            }};
}

// espeak-ng in synchronous mode hands its output over in chunks.
struct EspeakCapture {
    std::vector<short>* samples = nullptr;
    Clock::time_point start;
    double firstSampleMs = -1;
};
EspeakCapture espeakCapture;

int EspeakChunk(short* wav, int count, espeak_EVENT*) {
    if (wav && count > 0) {
        if (espeakCapture.firstSampleMs < 0) espeakCapture.firstSampleMs = MsSince(espeakCapture.start);
        espeakCapture.samples->insert(espeakCapture.samples->end(), wav, wav + count);
    }
    return 0;
}

Voice EspeakVoice(const char* name, int rate) {
    return {std::string("espeak-ng ") + espeak_Info(nullptr), name, [name, rate](const std::string& word) {
                Spoken spoken;
                spoken.rate = rate;
                espeak_SetVoiceByName(name);
                espeakCapture.samples = &spoken.samples;
                espeakCapture.firstSampleMs = -1;
                espeakCapture.start = Clock::now();
                espeak_Synth(word.c_str(), word.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_AUTO, nullptr, nullptr);
                espeak_Synchronize();
                spoken.firstSampleMs = espeakCapture.firstSampleMs;
                return spoken;
            }};
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

ps_decoder_t* Recogniser(const std::vector<std::string>& words) {
    const std::string model = "/usr/share/pocketsphinx/model/en-us";
    cmd_ln_t* config = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", (model + "/en-us").c_str(), "-dict",
                                   (model + "/cmudict-en-us.dict").c_str(), "-logfn", "/dev/null", nullptr);
    if (!config) return nullptr;
    ps_decoder_t* decoder = ps_init(config);
    if (!decoder) return nullptr;
    std::string grammar = "#JSGF V1.0;\ngrammar words;\npublic <word> = ";
    for (std::size_t i = 0; i < words.size(); ++i) grammar += (i ? " | " : "") + Lower(words[i]);
    grammar += ";\n";
    if (ps_set_jsgf_string(decoder, "words", grammar.c_str()) != 0 || ps_set_search(decoder, "words") != 0)
        return nullptr;
    return decoder;
}

std::string Recognise(ps_decoder_t* decoder, const std::vector<short>& samples16k) {
    // Quiet on both sides, as a word spoken alone is heard.
    std::vector<short> padded(kRecogniserRate / 5, 0);
    padded.insert(padded.end(), samples16k.begin(), samples16k.end());
    padded.insert(padded.end(), kRecogniserRate / 5, 0);
    ps_start_utt(decoder);
    ps_process_raw(decoder, padded.data(), padded.size(), FALSE, TRUE);
    ps_end_utt(decoder);
    std::int32_t score = 0;
    const char* hyp = ps_get_hyp(decoder, &score);
    return hyp ? hyp : "";
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t at = std::min(values.size() - 1, static_cast<std::size_t>(p * (values.size() - 1) + 0.5));
    return values[at];
}

// The device's buffer: what the audio path holds before a sample is heard
// (a sound server adds its own, not measured here).
double DeviceBufferMs() { return 1000.0 * kDeviceFrames / kDeviceRate; }

struct Figures {
    std::string engine, voice;
    double coldMs = 0, medianMs = 0, p95Ms = 0, maxMs = 0, convertMs = 0;
    int right = 0, total = 0;
    std::vector<std::string> misses;
};

Figures Measure(const Voice& voice, const std::vector<std::string>& words, ps_decoder_t* decoder) {
    Figures figures;
    figures.engine = voice.engine;
    figures.voice = voice.name;
    std::vector<double> firstSample;
    std::vector<double> convert;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const Spoken spoken = voice.speak(words[i]);
        if (i == 0) figures.coldMs = spoken.firstSampleMs;
        firstSample.push_back(spoken.firstSampleMs);
        const Clock::time_point start = Clock::now();
        const std::vector<short> device = Resample(spoken.samples, spoken.rate, kDeviceRate, 2);
        convert.push_back(MsSince(start));
        (void)device;
        const std::string heard = Recognise(decoder, Resample(spoken.samples, spoken.rate, kRecogniserRate, 1));
        ++figures.total;
        if (heard == Lower(words[i]))
            ++figures.right;
        else
            figures.misses.push_back(words[i] + "->" + (heard.empty() ? "?" : heard));
    }
    figures.medianMs = Percentile(firstSample, 0.5);
    figures.p95Ms = Percentile(firstSample, 0.95);
    figures.maxMs = Percentile(firstSample, 1.0);
    figures.convertMs = Percentile(convert, 0.95);
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> files(argv + 1, argv + argc);
    const std::vector<std::string> words = ReadWords(files);
    if (words.empty()) {
        std::fprintf(stderr, "usage: bench_speech_engines LIST...\n");
        return 2;
    }
    ps_decoder_t* decoder = Recogniser(words);
    if (!decoder) {
        std::fprintf(stderr, "pocketsphinx: no decoder (is pocketsphinx-en-us installed?)\n");
        return 2;
    }

    flite_init();
    const int espeakRate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, 0);
    espeak_SetSynthCallback(EspeakChunk);

    std::vector<Voice> voices = {
        FliteVoice("cmu_us_kal16", register_cmu_us_kal16(nullptr)),
        FliteVoice("cmu_us_slt", register_cmu_us_slt(nullptr)),
        FliteVoice("cmu_us_rms", register_cmu_us_rms(nullptr)),
        FliteVoice("cmu_us_awb", register_cmu_us_awb(nullptr)),
    };
    if (espeakRate > 0) {
        voices.push_back(EspeakVoice("en-us", espeakRate));
        voices.push_back(EspeakVoice("en-gb", espeakRate));
    } else {
        std::fprintf(stderr, "espeak-ng: no voice data\n");
    }

    std::printf("%zu words from %zu list(s); pocketsphinx with a grammar of exactly those words\n", words.size(),
                files.size());
    std::printf("latency = first sample + conversion to the device (p95) + device buffer %.1f ms\n\n",
                DeviceBufferMs());
    std::printf("%-22s %-13s %8s %8s %8s %8s %8s %10s %7s\n", "engine", "voice", "cold", "median", "p95", "max",
                "convert", "latency95", "right");
    std::vector<Figures> all;
    for (const Voice& voice : voices) {
        Figures f = Measure(voice, words, decoder);
        const double latency = f.p95Ms + f.convertMs + DeviceBufferMs();
        std::printf("%-22s %-13s %7.1fms %7.1fms %7.1fms %7.1fms %7.2fms %9.1fms %6.1f%%\n", f.engine.c_str(),
                    f.voice.c_str(), f.coldMs, f.medianMs, f.p95Ms, f.maxMs, f.convertMs, latency,
                    100.0 * f.right / f.total);
        all.push_back(std::move(f));
    }
    std::printf("\nmisheard:\n");
    for (const Figures& f : all) {
        std::printf("  %s %s (%zu):", f.engine.c_str(), f.voice.c_str(), f.misses.size());
        for (const std::string& miss : f.misses) std::printf(" %s", miss.c_str());
        std::printf("\n");
    }

    // The program speaks with flite's cmu_us_rms (US) and cmu_us_awb (UK).
    bool ok = true;
    for (const Figures& f : all) {
        if (f.voice != "cmu_us_rms" && f.voice != "cmu_us_awb") continue;
        const double latency = f.p95Ms + f.convertMs + DeviceBufferMs();
        const double right = static_cast<double>(f.right) / f.total;
        const bool pass = latency <= kLatencyLimitMs && right >= kRightLimit;
        std::printf("%s %s: %s (latency %.1f ms <= %.0f, right %.1f%% >= %.0f%%)\n", f.engine.c_str(),
                    f.voice.c_str(), pass ? "PASS" : "FAIL", latency, kLatencyLimitMs, 100 * right,
                    100 * kRightLimit);
        ok = ok && pass;
    }
    ps_free(decoder);
    return ok ? 0 : 1;
}

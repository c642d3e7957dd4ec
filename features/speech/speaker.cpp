#include "features/speech/speaker.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "features/phonetics/british_phones.h"
#include "features/phonetics/shared_table.h"
#include "features/speech/flite_voice.h"

namespace kestran::speech {
namespace {

bool HasLatinLetter(const std::string& word) {
    return std::any_of(word.begin(), word.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x80 && std::isalpha(byte);
    });
}

}  // namespace

std::string BritishPhonesFor(const std::string& word) {
    const std::string_view ipa = phonetics::Table().Find(word);
    return ipa.empty() ? std::string() : phonetics::FlitePhonesFromIpa(ipa);
}

Speaker::~Speaker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void Speaker::Speak(const char* word, plat::VoiceAccent accent) {
    Request request{word ? word : "", accent};
    if (!HasLatinLetter(request.word)) return;
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        pending_ = std::move(request);
        if (!worker_.joinable()) worker_ = std::thread([this] { Run(); });
    }
    wake_.notify_one();
}

void Speaker::WaitUntilIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return stopping_ || (!pending_ && !busy_); });
}

void Speaker::Run() {
    for (;;) {
        Request request;
        {
            std::unique_lock lock(mutex_);
            busy_ = false;
            idle_.notify_all();
            wake_.wait(lock, [this] { return stopping_ || pending_.has_value(); });
            if (stopping_) return;
            request = std::move(*pending_);
            pending_.reset();
            busy_ = true;
        }
        Say(request);
    }
}

void Speaker::Say(const Request& request) {
    // A system voice of the accent (a Windows en-GB voice for 英音) speaks
    // the word itself: it has a British lexicon of its own.
    if (plat::SpeakWithSystemVoice(request.word.c_str(), request.accent)) return;
    // Asked only here, on the speaker's thread: the first British word may
    // wait for the table to be read.
    const std::string phones =
        request.accent == plat::VoiceAccent::British ? BritishPhonesFor(request.word) : std::string();
    const Utterance utterance = SynthesiseWord(request.word.c_str(), request.accent, phones);
    {
        // A newer word came while this one was being made: it is cut off
        // before it starts.
        std::lock_guard lock(mutex_);
        if (pending_) return;
    }
    if (utterance.samples.empty()) {
        if (!silentReported_)
            std::fprintf(stderr, "KESTRAN: the voice made no sound for \"%s\"; words stay silent.\n",
                         request.word.c_str());
        silentReported_ = true;
        return;
    }
    // Without a device the platform has said so on stderr already.
    plat::PlaySpeechAsync(utterance.samples.data(), utterance.samples.size(), utterance.rate);
}

// Never destroyed: the drill's threads may still ask for words while the
// process ends, and the speaker's thread ends with the process, as they do.
Speaker& TheSpeaker() {
    static Speaker* const speaker = new Speaker;
    return *speaker;
}

}  // namespace kestran::speech

// Speaks words on a thread of its own, so that no tick, frame or key ever
// waits for a voice. A word asked for while another is still being made or
// spoken cuts that one off. The system's own voice of the accent speaks
// where the platform has one; otherwise the built-in synthesiser makes the
// word (a British word from its British phones where the word books'
// phonetic table has them) and the platform plays it beside the hit sound. With no voice or no
// device the words stay silent, with one line on stderr.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/platform.h"

namespace kestran::speech {

class Speaker {
public:
    Speaker() = default;
    ~Speaker();
    Speaker(const Speaker&) = delete;
    Speaker& operator=(const Speaker&) = delete;

    // Returns at once. Words without a Latin letter are not spoken.
    void Speak(const char* word, plat::VoiceAccent accent);
    // Blocks until every word asked for so far has been handed on.
    void WaitUntilIdle();

private:
    struct Request {
        std::string word;
        plat::VoiceAccent accent = plat::VoiceAccent::American;
    };
    void Run();
    void Say(const Request& request);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::optional<Request> pending_;  // the latest word wins
    bool busy_ = false;
    bool stopping_ = false;
    bool silentReported_ = false;  // worker thread only
    std::thread worker_;
};

// The British phones of the word from the word books' phonetic table, in
// flite's phone set; empty when the table does not have the word, which is
// then spoken from flite's own lexicon. Reads the table at the first call.
std::string BritishPhonesFor(const std::string& word);

// The program's one speaker, started at its first word.
Speaker& TheSpeaker();

}  // namespace kestran::speech

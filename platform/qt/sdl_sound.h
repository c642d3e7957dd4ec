// The hit sound through SDL2's audio subsystem. A play hands the file name
// to a worker thread and returns; the worker reads the WAV anew, converts it
// to the device's format (at most kMaxHitSeconds of it) and queues it. A new
// play cuts off the sound still playing, as the classic asynchronous play
// call does. A file that is missing, unreadable or not a regular file plays
// a short built-in beep instead. Without any audio device plays are dropped,
// with one line on stderr the first time.
//
// Speech shares the device: it is queued behind what is left of the hit
// sound, a new speech cuts off the old one, and a hit sound cuts off both.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"

namespace plat::qt {

class SdlSound final : public Sound {
public:
    SdlSound() = default;
    ~SdlSound() override;
    SdlSound(const SdlSound&) = delete;
    SdlSound& operator=(const SdlSound&) = delete;

    bool PlaySoundAsync(const char* path) override;
    bool PlaySpeechAsync(const std::int16_t* samples, std::size_t count, int rate) override;

    // The built-in beep: 16-bit stereo samples at the given rate.
    static std::vector<std::int16_t> DefaultBeep(int sampleRate);

private:
    // What the worker is asked to play, in the order asked.
    struct Request {
        std::string fileName;               // a hit sound
        std::vector<std::int16_t> speech;   // or speech, mono at speechRate
        int speechRate = 0;
        bool isSpeech = false;
    };
    bool Ask(Request request);
    void Run();
    void Play(const std::string& fileName);
    void PlaySpeech(const std::vector<std::int16_t>& samples, int rate);
    bool OpenDevice();
    void ReportNoDevice();
    std::vector<std::uint8_t> ReadConverted(const std::string& fileName);
    std::vector<std::uint8_t> SpeechForDevice(const std::vector<std::int16_t>& samples, int rate) const;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<Request> pending_;  // the latest hit, then the latest speech
    bool stopping_ = false;
    std::thread worker_;

    // Worker thread only (and the destructor after it has stopped).
    bool audioStarted_ = false;
    std::uint32_t device_ = 0;
    int deviceRate_ = 0;
    std::uint16_t deviceFormat_ = 0;
    int deviceChannels_ = 0;
    bool noDeviceReported_ = false;
    std::vector<std::uint8_t> lastHit_;  // as queued, for a speech behind it
    std::size_t speechQueued_ = 0;       // bytes of speech queued last
};

}  // namespace plat::qt

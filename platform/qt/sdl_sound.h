// The hit sound through SDL2's audio subsystem. A play hands the file name
// to a worker thread and returns; the worker reads the WAV anew, converts it
// to the device's format (at most kMaxHitSeconds of it) and queues it. A new
// play cuts off the sound still playing, as the classic asynchronous play
// call does. A file that is missing, unreadable or not a regular file plays
// a short built-in beep instead. Without any audio device plays are dropped,
// with one line on stderr the first time.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
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

    // The built-in beep: 16-bit stereo samples at the given rate.
    static std::vector<std::int16_t> DefaultBeep(int sampleRate);

private:
    void Run();
    void Play(const std::string& fileName);
    bool OpenDevice();
    void ReportNoDevice();
    std::vector<std::uint8_t> ReadConverted(const std::string& fileName);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<std::string> pending_;  // the latest request wins
    bool stopping_ = false;
    std::thread worker_;

    // Worker thread only (and the destructor after it has stopped).
    bool audioStarted_ = false;
    std::uint32_t device_ = 0;
    int deviceRate_ = 0;
    std::uint16_t deviceFormat_ = 0;
    int deviceChannels_ = 0;
    bool noDeviceReported_ = false;
};

}  // namespace plat::qt

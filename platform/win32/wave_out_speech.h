// Speech samples through the wave-out device, beside the hit sound that the
// multimedia call plays: speech starts after what is left of the hit sound,
// and a hit sound cuts the speech off.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace plat::win32 {

// How long a WAV file plays, from its format and data chunks; 0 when the
// bytes are no PCM WAV.
double WaveSeconds(const std::string& bytes);

class WaveOutSpeech {
public:
    WaveOutSpeech() = default;
    ~WaveOutSpeech();
    WaveOutSpeech(const WaveOutSpeech&) = delete;
    WaveOutSpeech& operator=(const WaveOutSpeech&) = delete;

    // Mono 16-bit samples; false (and one line on stderr) without a device.
    bool Play(const std::int16_t* samples, std::size_t count, int rate);
    // A hit sound of the file just started: cuts the speech off.
    void HitStarted(const std::wstring& file);

private:
    void Close();

    std::mutex mutex_;
    void* device_ = nullptr;  // HWAVEOUT
    int rate_ = 0;
    bool prepared_ = false;
    unsigned char header_[64] = {};  // WAVEHDR, kept while the device plays it
    std::vector<std::int16_t> buffer_;
    std::wstring hitFile_;
    std::chrono::steady_clock::time_point hitStart_;
    bool noDeviceReported_ = false;
};

}  // namespace plat::win32

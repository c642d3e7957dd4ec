// Speech samples through the wave-out device, beside the hit sound that the
// multimedia call plays: speech starts after what is left of the hit sound,
// and a hit sound cuts the speech off.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace plat::win32 {

// How long a WAV file plays, from its format and data chunks; 0 when the
// bytes are no PCM WAV.
double WaveSeconds(const std::string& bytes);

// Play and Stop come from one thread (the speaker's); HitStarted from the
// ticker, which never waits for the device to be opened or closed.
class WaveOutSpeech {
public:
    // Opens the wave-out device for mono 16-bit samples at `rate` Hz; null
    // when there is none. Tests put a slow device here.
    using DeviceOpener = std::function<void*(int rate)>;
    static void* OpenWaveOut(int rate);

    explicit WaveOutSpeech(DeviceOpener open = OpenWaveOut) : open_(std::move(open)) {}
    ~WaveOutSpeech();
    WaveOutSpeech(const WaveOutSpeech&) = delete;
    WaveOutSpeech& operator=(const WaveOutSpeech&) = delete;

    // Mono 16-bit samples; false (and one line on stderr) without a device.
    bool Play(const std::int16_t* samples, std::size_t count, int rate);
    // Cuts off the word still playing.
    void Stop();
    // A hit sound of the file just started: cuts the speech off.
    void HitStarted(const std::wstring& file);

private:
    // Resets and closes `device`, handing back the buffer it played.
    void Close(void* device);

    DeviceOpener open_;
    // Guards device_ and the hit sound's file and start, which HitStarted
    // changes; held only for moments, never across opening or closing.
    std::mutex mutex_;
    void* device_ = nullptr;  // HWAVEOUT
    std::wstring hitFile_;
    std::chrono::steady_clock::time_point hitStart_;
    // The speaker's thread only.
    int rate_ = 0;
    bool prepared_ = false;
    unsigned char header_[64] = {};  // WAVEHDR, kept while the device plays it
    std::vector<std::int16_t> buffer_;
    bool noDeviceReported_ = false;
};

}  // namespace plat::win32

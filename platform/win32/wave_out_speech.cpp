#include "platform/win32/wave_out_speech.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <utility>

#include "platform/win32/windows_fence.h"
#include <mmsystem.h>

namespace plat::win32 {
namespace {

static_assert(sizeof(WAVEHDR) <= 64, "the header buffer holds a WAVEHDR");

std::uint32_t Le32(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

// The start of a WAV file holds its format and the size of its data.
std::string WaveHead(const std::wstring& file) {
    std::ifstream in(file.c_str(), std::ios::binary);
    std::string bytes(4096, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

}  // namespace

double WaveSeconds(const std::string& bytes) {
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return 0;
    std::uint32_t byteRate = 0;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::uint32_t size = Le32(bytes, at + 4);
        if (bytes.compare(at, 4, "fmt ") == 0 && at + 16 <= bytes.size()) byteRate = Le32(bytes, at + 16);
        if (bytes.compare(at, 4, "data") == 0) return byteRate ? static_cast<double>(size) / byteRate : 0;
        at += 8 + static_cast<std::size_t>(size) + (size & 1);
    }
    return 0;
}

void* WaveOutSpeech::OpenWaveOut(int rate) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    HWAVEOUT device = nullptr;
    if (::waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) return nullptr;
    return device;
}

WaveOutSpeech::~WaveOutSpeech() {
    void* device = nullptr;
    {
        std::lock_guard lock(mutex_);
        device = std::exchange(device_, nullptr);
    }
    Close(device);
}

void WaveOutSpeech::Close(void* handle) {
    auto device = static_cast<HWAVEOUT>(handle);
    if (!device) return;
    ::waveOutReset(device);
    if (prepared_) ::waveOutUnprepareHeader(device, reinterpret_cast<WAVEHDR*>(header_), sizeof(WAVEHDR));
    prepared_ = false;
    ::waveOutClose(device);
}

void WaveOutSpeech::Stop() {
    std::lock_guard lock(mutex_);
    if (device_) ::waveOutReset(static_cast<HWAVEOUT>(device_));
}

void WaveOutSpeech::HitStarted(const std::wstring& file) {
    std::lock_guard lock(mutex_);
    hitFile_ = file;
    hitStart_ = std::chrono::steady_clock::now();
    if (device_) ::waveOutReset(static_cast<HWAVEOUT>(device_));
}

bool WaveOutSpeech::Play(const std::int16_t* samples, std::size_t count, int rate) {
    if (!samples || count == 0 || rate <= 0) return false;
    // What is left of the hit sound, as silence ahead of the word.
    std::wstring hitFile;
    std::chrono::steady_clock::time_point hitStart;
    bool reopen = false;
    {
        std::lock_guard lock(mutex_);
        hitFile = hitFile_;
        hitStart = hitStart_;
        reopen = !device_ || rate != rate_;
    }
    double wait = 0;
    if (!hitFile.empty()) {
        const double played = std::chrono::duration<double>(std::chrono::steady_clock::now() - hitStart).count();
        wait = std::max(0.0, WaveSeconds(WaveHead(hitFile)) - played);
    }

    if (reopen) {
        // Opening and closing a device can take long: the hit sound's
        // thread no longer sees the old one and does not wait meanwhile.
        void* old = nullptr;
        {
            std::lock_guard lock(mutex_);
            old = std::exchange(device_, nullptr);
        }
        Close(old);
        void* fresh = open_(rate);
        if (!fresh) {
            if (!noDeviceReported_) std::fputs("KESTRAN: no sound device for speech; words stay silent.\n", stderr);
            noDeviceReported_ = true;
            return false;
        }
        rate_ = rate;
        std::lock_guard lock(mutex_);
        device_ = fresh;
    }

    std::lock_guard lock(mutex_);
    auto device = static_cast<HWAVEOUT>(device_);
    auto* header = reinterpret_cast<WAVEHDR*>(header_);
    // Cuts off the word still playing and hands its buffer back.
    ::waveOutReset(device);
    if (prepared_) ::waveOutUnprepareHeader(device, header, sizeof(WAVEHDR));
    prepared_ = false;

    buffer_.assign(static_cast<std::size_t>(wait * rate), 0);
    buffer_.insert(buffer_.end(), samples, samples + count);
    std::memset(header_, 0, sizeof header_);
    header->lpData = reinterpret_cast<LPSTR>(buffer_.data());
    header->dwBufferLength = static_cast<DWORD>(buffer_.size() * sizeof(std::int16_t));
    if (::waveOutPrepareHeader(device, header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) return false;
    prepared_ = true;
    return ::waveOutWrite(device, header, sizeof(WAVEHDR)) == MMSYSERR_NOERROR;
}

}  // namespace plat::win32

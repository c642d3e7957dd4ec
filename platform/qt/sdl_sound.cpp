#include "platform/qt/sdl_sound.h"

#include <SDL2/SDL.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <numbers>
#include <system_error>

#include "platform/asset_path.h"
#include "platform/gbk.h"

namespace plat::qt {
namespace {

constexpr int kPreferredRate = 44100;
constexpr int kPreferredChannels = 2;
constexpr double kBeepSeconds = 0.18;
constexpr double kBeepHz = 880.0;
constexpr double kBeepVolume = 0.3;

// A relative path is fixed against the working directory of the call, as
// the directory may change before the worker gets to it.
std::string AbsoluteFileName(const char* path) {
    std::filesystem::path local(GbkToUtf8(LocalPath(path)));
    if (local.empty() || local.is_absolute()) return local.string();
    std::error_code error;
    std::filesystem::path cwd = std::filesystem::current_path(error);
    return error ? local.string() : (cwd / local).string();
}

}  // namespace

SdlSound::~SdlSound() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
    if (device_) SDL_CloseAudioDevice(device_);
    if (audioStarted_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool SdlSound::PlaySoundAsync(const char* path) {
    std::string fileName = path ? AbsoluteFileName(path) : std::string();
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return false;
        pending_ = std::move(fileName);
        if (!worker_.joinable()) worker_ = std::thread([this] { Run(); });
    }
    wake_.notify_one();
    return true;
}

void SdlSound::Run() {
    for (;;) {
        std::string fileName;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || pending_.has_value(); });
            if (stopping_) return;
            fileName = std::move(*pending_);
            pending_.reset();
        }
        Play(fileName);
    }
}

bool SdlSound::OpenDevice() {
    if (device_) return true;
    if (!audioStarted_) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;  // tried again at the next play
        audioStarted_ = true;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = kPreferredRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = kPreferredChannels;
    wanted.samples = 1024;
    wanted.callback = nullptr;  // fed with SDL_QueueAudio
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to the hardware itself, and the
    // queue always takes 16-bit stereo at the preferred rate.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (!device_) return false;
    deviceRate_ = obtained.freq;
    deviceFormat_ = obtained.format;
    deviceChannels_ = obtained.channels;
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

std::vector<std::uint8_t> SdlSound::ReadConverted(const std::string& fileName) {
    std::vector<std::uint8_t> out;
    if (fileName.empty()) return out;
    SDL_AudioSpec source{};
    Uint8* samples = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV(fileName.c_str(), &source, &samples, &length)) return out;
    // The one-shot converter keeps the whole sound; the streaming one of
    // this SDL version drops the tail of a resampled sound.
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, source.format, source.channels, source.freq, deviceFormat_,
                          static_cast<Uint8>(deviceChannels_), deviceRate_) >= 0 &&
        length > 0) {
        cvt.len = static_cast<int>(length);
        out.resize(static_cast<std::size_t>(length) * static_cast<std::size_t>(cvt.len_mult));
        std::memcpy(out.data(), samples, length);
        cvt.buf = out.data();
        if (SDL_ConvertAudio(&cvt) == 0)
            out.resize(static_cast<std::size_t>(cvt.len_cvt));
        else
            out.clear();
    }
    SDL_FreeWAV(samples);
    return out;
}

std::vector<std::int16_t> SdlSound::DefaultBeep(int sampleRate) {
    const int frames = static_cast<int>(sampleRate * kBeepSeconds);
    std::vector<std::int16_t> out(static_cast<std::size_t>(frames) * 2);
    const int fade = sampleRate / 200;  // 5 ms in and out, so it does not click
    for (int i = 0; i < frames; ++i) {
        double envelope = 1.0;
        if (i < fade) envelope = static_cast<double>(i) / fade;
        if (frames - i < fade) envelope = static_cast<double>(frames - i) / fade;
        const double value = std::sin(2.0 * std::numbers::pi * kBeepHz * i / sampleRate) * envelope * kBeepVolume;
        const auto sample = static_cast<std::int16_t>(std::lround(value * 32767.0));
        out[2 * i] = sample;
        out[2 * i + 1] = sample;
    }
    return out;
}

void SdlSound::Play(const std::string& fileName) {
    if (!OpenDevice()) return;
    std::vector<std::uint8_t> pcm = ReadConverted(fileName);
    if (pcm.empty()) {
        const std::vector<std::int16_t> beep = DefaultBeep(deviceRate_);
        pcm.resize(beep.size() * sizeof(std::int16_t));
        std::memcpy(pcm.data(), beep.data(), pcm.size());
    }
    SDL_ClearQueuedAudio(device_);  // cut off the previous sound
    SDL_QueueAudio(device_, pcm.data(), static_cast<Uint32>(pcm.size()));
}

}  // namespace plat::qt

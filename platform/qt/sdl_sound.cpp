#include "platform/qt/sdl_sound.h"

#include <SDL2/SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <numbers>
#include <system_error>

#include "platform/asset_file.h"
#include "platform/asset_path.h"
#include "platform/qt/hit_sound_wave.h"

namespace plat::qt {
namespace {

constexpr int kPreferredRate = 44100;
constexpr int kPreferredChannels = 2;
constexpr double kBeepSeconds = 0.18;
constexpr double kBeepHz = 880.0;
constexpr double kBeepVolume = 0.3;
// A hit plays at most kMaxHitSeconds; no WAV worth reading for that is
// larger than this.
constexpr std::size_t kLargestWaveFile = 32u << 20;

// A relative path is fixed against the working directory of the call, as
// the directory may change before the worker gets to it.
std::string AbsoluteFileName(const char* path) {
    std::filesystem::path local(AssetFileName(path));
    if (local.empty() || local.is_absolute()) return local.string();
    std::error_code error;
    std::filesystem::path cwd = std::filesystem::current_path(error);
    return error ? local.string() : (cwd / local).string();
}

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// ALSA prints several lines of its own for every failed device open. SDL
// loads the library by name, so loading it here first reaches the same copy;
// it stays loaded for the life of the process.
void SilenceAlsa() {
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!alsa) return;
    using ErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
    auto setHandler = reinterpret_cast<int (*)(ErrorHandler)>(dlsym(alsa, "snd_lib_error_set_handler"));
    if (setHandler) setHandler(&IgnoreAlsaError);
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
    Request request;
    request.fileName = path ? AbsoluteFileName(path) : std::string();
    return Ask(std::move(request));
}

bool SdlSound::PlaySpeechAsync(const std::int16_t* samples, std::size_t count, int rate) {
    if (!samples || count == 0 || rate <= 0) return false;
    Request request;
    request.speech.assign(samples, samples + count);
    request.speechRate = rate;
    request.isSpeech = true;
    return Ask(std::move(request));
}

bool SdlSound::Ask(Request request) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return false;
        // A hit not yet played replaces everything before it; a speech, the
        // speech before it.
        const bool isSpeech = request.isSpeech;
        std::erase_if(pending_, [&](const Request& r) { return !isSpeech || r.isSpeech; });
        pending_.push_back(std::move(request));
        if (!worker_.joinable()) worker_ = std::thread([this] { Run(); });
    }
    wake_.notify_one();
    return true;
}

void SdlSound::Run() {
    for (;;) {
        std::vector<Request> requests;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !pending_.empty(); });
            if (stopping_) return;
            requests.swap(pending_);
        }
        for (const Request& request : requests) {
            if (request.isSpeech)
                PlaySpeech(request.speech, request.speechRate);
            else
                Play(request.fileName);
        }
    }
}

void SdlSound::ReportNoDevice() {
    if (noDeviceReported_) return;
    noDeviceReported_ = true;
    std::fputs("KESTRAN: no sound device found; hits stay silent.\n", stderr);
}

bool SdlSound::OpenDevice() {
    if (device_) return true;
    if (!audioStarted_) {
        // SDL would otherwise catch SIGINT and SIGTERM for its event queue,
        // which nothing reads here, and Ctrl+C or kill would stop working.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        SilenceAlsa();
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {  // tried again at the next play
            ReportNoDevice();
            return false;
        }
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
    if (!device_) {
        ReportNoDevice();
        return false;
    }
    deviceRate_ = obtained.freq;
    deviceFormat_ = obtained.format;
    deviceChannels_ = obtained.channels;
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

std::vector<std::uint8_t> SdlSound::ReadConverted(const std::string& fileName) {
    const std::optional<std::string> bytes = ReadAssetFile(fileName, kLargestWaveFile);
    if (!bytes) return {};
    DeviceFormat device;
    device.rate = deviceRate_;
    device.format = deviceFormat_;
    device.channels = deviceChannels_;
    return WaveForDevice(*bytes, device);
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
    lastHit_ = std::move(pcm);
    speechQueued_ = 0;
}

std::vector<std::uint8_t> SdlSound::SpeechForDevice(const std::vector<std::int16_t>& samples, int rate) const {
    SDL_AudioStream* stream =
        SDL_NewAudioStream(AUDIO_S16SYS, 1, rate, deviceFormat_, static_cast<Uint8>(deviceChannels_), deviceRate_);
    if (!stream) return {};
    // Even flushed, the stream keeps back its last few tens of milliseconds:
    // silence after the word is what stays behind.
    const std::vector<std::int16_t> tail(static_cast<std::size_t>(rate / 10), 0);
    std::vector<std::uint8_t> out;
    if (SDL_AudioStreamPut(stream, samples.data(), static_cast<int>(samples.size() * sizeof(std::int16_t))) == 0 &&
        SDL_AudioStreamPut(stream, tail.data(), static_cast<int>(tail.size() * sizeof(std::int16_t))) == 0 &&
        SDL_AudioStreamFlush(stream) == 0) {
        out.resize(static_cast<std::size_t>(SDL_AudioStreamAvailable(stream)));
        const int got = SDL_AudioStreamGet(stream, out.data(), static_cast<int>(out.size()));
        out.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    }
    SDL_FreeAudioStream(stream);
    return out;
}

void SdlSound::PlaySpeech(const std::vector<std::int16_t>& samples, int rate) {
    if (!OpenDevice()) return;
    const std::vector<std::uint8_t> pcm = SpeechForDevice(samples, rate);
    if (pcm.empty()) return;
    // Locked, so that the device takes nothing between the count and the
    // clearing: the rest of the hit sound goes back in whole, ahead of the
    // speech, and the speech played before is cut off.
    SDL_LockAudioDevice(device_);
    const std::size_t queued = SDL_GetQueuedAudioSize(device_);
    const std::size_t hitLeft = std::min(queued > speechQueued_ ? queued - speechQueued_ : 0, lastHit_.size());
    SDL_ClearQueuedAudio(device_);
    if (hitLeft > 0)
        SDL_QueueAudio(device_, lastHit_.data() + (lastHit_.size() - hitLeft), static_cast<Uint32>(hitLeft));
    SDL_QueueAudio(device_, pcm.data(), static_cast<Uint32>(pcm.size()));
    speechQueued_ = pcm.size();
    SDL_UnlockAudioDevice(device_);
}

}  // namespace plat::qt

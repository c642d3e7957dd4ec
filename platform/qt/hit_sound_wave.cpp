#include "platform/qt/hit_sound_wave.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

namespace plat::qt {

std::vector<std::uint8_t> WaveForDevice(std::string_view wavBytes, const DeviceFormat& device) {
    std::vector<std::uint8_t> out;
    if (wavBytes.empty() || wavBytes.size() > static_cast<std::size_t>(INT_MAX)) return out;
    SDL_RWops* source = SDL_RWFromConstMem(wavBytes.data(), static_cast<int>(wavBytes.size()));
    if (!source) return out;
    SDL_AudioSpec spec{};
    Uint8* samples = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV_RW(source, 1, &spec, &samples, &length)) return out;
    const std::unique_ptr<Uint8, void (*)(Uint8*)> held(samples, SDL_FreeWAV);

    const std::uint64_t frameBytes = static_cast<std::uint64_t>(SDL_AUDIO_BITSIZE(spec.format) / 8) * spec.channels;
    if (frameBytes == 0 || spec.freq <= 0) return out;
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq, device.format,
                          static_cast<Uint8>(device.channels), device.rate) < 0 ||
        cvt.len_mult <= 0)
        return out;

    // The one-shot converter keeps the whole sound (the streaming one of this
    // SDL version drops the tail of a resampled sound) but needs a buffer of
    // input length times len_mult: the input is cut to fit both limits.
    std::uint64_t frames = length / frameBytes;
    frames = std::min<std::uint64_t>(frames, static_cast<std::uint64_t>(spec.freq) * kMaxHitSeconds);
    frames = std::min<std::uint64_t>(frames, kMaxConversionBytes / (frameBytes * static_cast<std::uint64_t>(cvt.len_mult)));
    if (frames == 0) return out;
    const std::size_t inputBytes = static_cast<std::size_t>(frames * frameBytes);

    out.resize(inputBytes * static_cast<std::size_t>(cvt.len_mult));
    std::memcpy(out.data(), samples, inputBytes);
    cvt.len = static_cast<int>(inputBytes);
    cvt.buf = out.data();
    if (SDL_ConvertAudio(&cvt) != 0 || cvt.len_cvt < 0 || static_cast<std::size_t>(cvt.len_cvt) > out.size()) {
        out.clear();
        return out;
    }
    out.resize(static_cast<std::size_t>(cvt.len_cvt));
    out.shrink_to_fit();
    return out;
}

}  // namespace plat::qt

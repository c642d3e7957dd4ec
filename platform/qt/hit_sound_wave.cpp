#include "platform/qt/hit_sound_wave.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <string>

namespace plat::qt {
namespace {

constexpr std::size_t kChunkHeaderBytes = 8;
constexpr std::size_t kRiffHeaderBytes = 12;

std::uint32_t LittleEndian32(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

void SetLittleEndian32(std::string& b, std::size_t at, std::uint64_t value) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

// SDL allocates each chunk at the size its header states before reading it,
// so a file of a hundred bytes can ask for four gigabytes. Every size is cut
// to what the file really holds. SDL also takes a file that starts at its
// form type ("WAVE", no RIFF header); its first chunk then follows at once.
void ClampChunkSizes(std::string& riff) {
    std::size_t firstChunk = 0;
    if (riff.compare(0, 4, "RIFF") == 0 && riff.size() >= kRiffHeaderBytes) {
        if (LittleEndian32(riff, 4) > riff.size() - kChunkHeaderBytes)
            SetLittleEndian32(riff, 4, riff.size() - kChunkHeaderBytes);
        firstChunk = kRiffHeaderBytes;
    } else if (riff.compare(0, 4, "WAVE") == 0) {
        firstChunk = 4;
    } else {
        return;  // SDL takes no other file
    }
    for (std::size_t at = firstChunk; at + kChunkHeaderBytes <= riff.size();) {
        const std::uint64_t room = riff.size() - at - kChunkHeaderBytes;
        std::uint64_t length = LittleEndian32(riff, at + 4);
        if (length > room) {
            length = room;
            SetLittleEndian32(riff, at + 4, length);
        }
        at += kChunkHeaderBytes + length + (length & 1);  // chunks are padded to even lengths
    }
}

}  // namespace

std::vector<std::uint8_t> WaveForDevice(std::string_view wavBytes, const DeviceFormat& device) {
    std::vector<std::uint8_t> out;
    if (wavBytes.empty() || wavBytes.size() > static_cast<std::size_t>(INT_MAX)) return out;
    std::string wav(wavBytes);
    ClampChunkSizes(wav);
    SDL_RWops* source = SDL_RWFromConstMem(wav.data(), static_cast<int>(wav.size()));
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

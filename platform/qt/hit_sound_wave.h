// A WAV file's bytes turned into samples an SDL audio device takes. Kept
// apart from the device so it can be tested and fuzzed on its own.
//
// Memory stays bounded whatever the file claims: a hit plays at most
// kMaxHitSeconds of its sound, and the conversion buffer, which SDL sizes
// as input length times a growth factor that reaches the hundreds of
// thousands for very low sample rates, is kept under kMaxConversionBytes by
// taking fewer input frames.
#pragma once

#include <SDL2/SDL_audio.h>

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace plat::qt {

struct DeviceFormat {
    int rate = 44100;
    SDL_AudioFormat format = AUDIO_S16SYS;
    int channels = 2;
};

inline constexpr int kMaxHitSeconds = 10;
inline constexpr std::size_t kMaxConversionBytes = 32u << 20;

// The sound converted to the device's format, or nothing when the bytes
// are no WAV SDL can read.
std::vector<std::uint8_t> WaveForDevice(std::string_view wavBytes, const DeviceFormat& device);

}  // namespace plat::qt

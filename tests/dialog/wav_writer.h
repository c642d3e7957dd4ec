// Writes PCM WAV files for the sound tests.
#pragma once

#include <cstdint>
#include <string>

namespace sound_test {

// A canonical 44-byte header followed by `data`.
inline std::string Wav(int rate, int channels, int bitsPerSample, const std::string& data) {
    std::string b;
    auto u16 = [&](std::uint32_t v) { b += static_cast<char>(v & 0xFF); b += static_cast<char>(v >> 8 & 0xFF); };
    auto u32 = [&](std::uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
    const std::uint32_t blockAlign = static_cast<std::uint32_t>(channels * bitsPerSample / 8);
    b += "RIFF";
    u32(static_cast<std::uint32_t>(36 + data.size()));
    b += "WAVEfmt ";
    u32(16);
    u16(1);  // PCM
    u16(static_cast<std::uint32_t>(channels));
    u32(static_cast<std::uint32_t>(rate));
    u32(static_cast<std::uint32_t>(rate) * blockAlign);
    u16(blockAlign);
    u16(static_cast<std::uint32_t>(bitsPerSample));
    b += "data";
    u32(static_cast<std::uint32_t>(data.size()));
    return b + data;
}

// 8-bit mono samples swinging between two levels every `period` samples.
inline std::string SquareBytes(std::size_t count, std::size_t period) {
    std::string data(count, '\0');
    for (std::size_t i = 0; i < count; ++i) data[i] = static_cast<char>((i / period) % 2 ? 0x40 : 0xC0);
    return data;
}

}  // namespace sound_test

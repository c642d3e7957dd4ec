// Converting a WAV for the device: any file either converts to a bounded
// amount of sound or to nothing (then the beep plays), never to an
// allocation the size of the file times the resampling factor.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <SDL2/SDL_stdinc.h>

#include "platform/qt/hit_sound_wave.h"
#include "wav_writer.h"

namespace {

using plat::qt::DeviceFormat;
using plat::qt::kMaxHitSeconds;
using plat::qt::WaveForDevice;
using sound_test::SquareBytes;
using sound_test::Wav;

constexpr std::size_t kDeviceFrameBytes = 4;  // 16-bit stereo

std::size_t DeviceBytes(double seconds, const DeviceFormat& device = {}) {
    return static_cast<std::size_t>(seconds * device.rate) * kDeviceFrameBytes;
}

TEST(WaveForDevice, AShortSoundIsConvertedWhole) {
    const std::string wav = Wav(22050, 1, 8, SquareBytes(22050 / 2, 50));  // half a second
    const std::vector<std::uint8_t> pcm = WaveForDevice(wav, DeviceFormat{});
    EXPECT_NEAR(static_cast<double>(pcm.size()), static_cast<double>(DeviceBytes(0.5)), DeviceBytes(0.01));
    for (int rate : {48000, 96000}) {
        const DeviceFormat device{rate, AUDIO_S16SYS, 2};
        EXPECT_NEAR(static_cast<double>(WaveForDevice(wav, device).size()),
                    static_cast<double>(DeviceBytes(0.5, device)), DeviceBytes(0.01, device));
    }
}

// The files that took the whole machine's memory or aborted the program.
TEST(WaveForDevice, LowRatesAndLongFilesPlayAtMostTheLongestHit) {
    const std::string oneHertz = Wav(1, 1, 8, SquareBytes(200000, 1));
    ASSERT_EQ(oneHertz.size(), 200044u);
    const std::string long8k = Wav(8000, 1, 8, SquareBytes(10u << 20, 20));  // 22 minutes
    const std::string oneHertzShort = Wav(1, 1, 8, SquareBytes(1000, 1));
    for (const std::string* wav : {&oneHertz, &long8k, &oneHertzShort}) {
        const std::vector<std::uint8_t> pcm = WaveForDevice(*wav, DeviceFormat{});
        EXPECT_FALSE(pcm.empty());
        EXPECT_LE(pcm.size(), DeviceBytes(kMaxHitSeconds + 1)) << "header of " << wav->size() << " bytes";
        EXPECT_EQ(pcm.size() % kDeviceFrameBytes, 0u);
    }
    // The long file plays the full ten seconds, not less.
    EXPECT_NEAR(static_cast<double>(WaveForDevice(long8k, DeviceFormat{}).size()),
                static_cast<double>(DeviceBytes(kMaxHitSeconds)), DeviceBytes(0.05));
}

// SDL's allocations, counted: the largest one asked for since the last reset.
struct LargestAllocation {
    static inline std::atomic<std::size_t> bytes{0};
    static void* Malloc(std::size_t size) {
        Note(size);
        return std::malloc(size);
    }
    static void* Calloc(std::size_t count, std::size_t size) {
        Note(count * size);
        return std::calloc(count, size);
    }
    static void* Realloc(void* block, std::size_t size) {
        Note(size);
        return std::realloc(block, size);
    }
    static void Note(std::size_t size) {
        std::size_t seen = bytes.load();
        while (size > seen && !bytes.compare_exchange_weak(seen, size)) {
        }
    }
};

// A file whose chunk claims far more than the file holds must not make SDL
// allocate the claim (a test build would not notice, as untouched memory
// costs nothing there; the fuzzer's limit did): with and without the RIFF
// header, which SDL also does without.
TEST(WaveForDevice, NoChunkSizeMakesSdlAllocateMoreThanTheFileHolds) {
    // SDL's functions are the C library's; these forward to them, so blocks
    // allocated before are freed alike.
    ASSERT_EQ(SDL_SetMemoryFunctions(LargestAllocation::Malloc, LargestAllocation::Calloc,
                                     LargestAllocation::Realloc, std::free),
              0);
    std::string riff = Wav(8000, 1, 8, SquareBytes(400, 4));
    riff.replace(40, 4, std::string("\x00\x01\x88\x88", 4));  // data: 2.29 GB
    // The file the fuzzer found: "WAVE" first, two format chunks, and the
    // same claim.
    const std::string bare(
        "WAVEfmt \x10\0\0\0\x01\0\x01\0\x01IFF$\x01\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x01 =\0\x01\x02\0\0\x01\0"
        "\x08\0data\0\x01\x88\x88\x88\x8e",
        62);
    for (const std::string* wav : {static_cast<const std::string*>(&riff), &bare}) {
        LargestAllocation::bytes = 0;
        const std::vector<std::uint8_t> pcm = WaveForDevice(*wav, DeviceFormat{});
        EXPECT_LE(LargestAllocation::bytes.load(), std::size_t{1} << 20) << "a file of " << wav->size() << " bytes";
        EXPECT_LE(pcm.size(), DeviceBytes(0.06));
    }
}

TEST(WaveForDevice, WhatIsNoWaveGivesNothing) {
    EXPECT_TRUE(WaveForDevice("", DeviceFormat{}).empty());
    EXPECT_TRUE(WaveForDevice("RIFF garbage", DeviceFormat{}).empty());
    std::string noFrames = Wav(8000, 1, 8, "");
    EXPECT_TRUE(WaveForDevice(noFrames, DeviceFormat{}).empty());
    // A header that promises four gigabytes of samples in a file of a few
    // bytes yields what is there, or nothing.
    std::string lying = Wav(8000, 1, 8, SquareBytes(400, 4));
    lying.replace(40, 4, std::string("\xF0\xFF\xFF\xFF", 4));
    EXPECT_LE(WaveForDevice(lying, DeviceFormat{}).size(), DeviceBytes(0.06));
    std::string zeroChannels = Wav(8000, 1, 8, SquareBytes(400, 4));
    zeroChannels[22] = 0;
    EXPECT_TRUE(WaveForDevice(zeroChannels, DeviceFormat{}).empty());
}

}  // namespace

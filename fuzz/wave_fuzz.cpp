// libFuzzer target over the hit sound's WAV reading and conversion. Besides
// memory safety in the program's own code (AddressSanitizer), it checks for
// any input that what comes out is whole device frames and no more than the
// conversion limit; the run's malloc and RSS limits (scripts/fuzz.sh wave)
// catch an input that makes the reader or SDL allocate far beyond the file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "platform/qt/hit_sound_wave.h"

namespace {

using plat::qt::DeviceFormat;

// Devices the program may be given: its usual one and two others.
const DeviceFormat kDevices[] = {
    {44100, AUDIO_S16SYS, 2},
    {48000, AUDIO_F32SYS, 2},
    {22050, AUDIO_U8, 1},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte picks the device; the rest is the file.
    const DeviceFormat& device = kDevices[data[0] % 3];
    const std::string_view wav(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::vector<std::uint8_t> pcm = plat::qt::WaveForDevice(wav, device);
    const std::size_t frameBytes = SDL_AUDIO_BITSIZE(device.format) / 8 * static_cast<std::size_t>(device.channels);
    CHECK(pcm.size() % frameBytes == 0);
    CHECK(pcm.size() <= plat::qt::kMaxConversionBytes);
    // Never more than the longest hit, with a little slack for resampling.
    CHECK(pcm.size() <= static_cast<std::size_t>(plat::qt::kMaxHitSeconds + 1) * device.rate * frameBytes);
    return 0;
}

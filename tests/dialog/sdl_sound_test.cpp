// The hit sound reaching an audio device: SDL's disk driver stands in for a
// sound card and writes every sample it is given to a file.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "platform/qt/sdl_sound.h"
#include "temp_folder.h"
#include "tests/support/fifo_asset.h"

namespace {

using namespace std::chrono_literals;

constexpr int kDeviceRate = 44100;  // the device takes 16-bit stereo at this rate

void WriteTone(const std::string& file, double hz, double seconds, int rate) {
    const auto frames = static_cast<std::uint32_t>(rate * seconds);
    std::vector<std::int16_t> samples(frames);
    for (std::uint32_t i = 0; i < frames; ++i)
        samples[i] = static_cast<std::int16_t>(std::lround(16000 * std::sin(2 * std::numbers::pi * hz * i / rate)));
    auto le32 = [](std::ofstream& out, std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto le16 = [](std::ofstream& out, std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    std::ofstream out(file, std::ios::binary);
    out.write("RIFF", 4);
    le32(out, 36 + frames * 2);
    out.write("WAVEfmt ", 8);
    le32(out, 16);
    le16(out, 1);  // PCM
    le16(out, 1);  // mono
    le32(out, static_cast<std::uint32_t>(rate));
    le32(out, static_cast<std::uint32_t>(rate * 2));
    le16(out, 2);
    le16(out, 16);
    out.write("data", 4);
    le32(out, frames * 2);
    out.write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(frames * 2));
}

// One stretch of sound in the device output, seen on the left channel.
struct Burst {
    std::size_t frames = 0;
    int peak = 0;
    double hz = 0;  // from the zero crossings
};

std::vector<std::int16_t> LeftChannel(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::int16_t> left;
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        std::int16_t v;
        std::memcpy(&v, bytes.data() + i, 2);
        left.push_back(v);
    }
    return left;
}

// Stretches of non-silent samples, split at 10 ms of silence.
std::vector<Burst> Bursts(const std::vector<std::int16_t>& left) {
    std::vector<Burst> bursts;
    const std::size_t gap = kDeviceRate / 100;
    std::size_t i = 0;
    while (i < left.size()) {
        while (i < left.size() && std::abs(left[i]) < 64) ++i;
        if (i == left.size()) break;
        std::size_t start = i, quiet = 0, end = i;
        int crossings = 0, peak = 0;
        bool positive = left[i] > 0;  // the sign of the last loud sample
        for (; i < left.size() && quiet < gap; ++i) {
            if (std::abs(left[i]) < 64) {
                ++quiet;
                continue;
            }
            quiet = 0;
            end = i;
            peak = std::max(peak, std::abs(static_cast<int>(left[i])));
            if ((left[i] > 0) != positive) ++crossings;
            positive = left[i] > 0;
        }
        Burst b;
        b.frames = end - start + 1;
        b.peak = peak;
        b.hz = crossings / 2.0 / (static_cast<double>(b.frames) / kDeviceRate);
        bursts.push_back(b);
    }
    return bursts;
}

class DiskAudio : public ::testing::Test {
protected:
    void SetUp() override {
        output = (folder.path() / "device.raw").string();
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        ::setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
        std::filesystem::create_directory("RES");
    }
    void TearDown() override { ::unsetenv("SDL_AUDIODRIVER"); }

    // Waits until the device has been given `count` stretches of sound and
    // they have ended.
    std::vector<Burst> WaitForBursts(std::size_t count) {
        for (auto until = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < until;) {
            std::vector<std::int16_t> left = LeftChannel(output);
            std::vector<Burst> found = Bursts(left);
            // The last stretch is over once a quiet tail follows it.
            bool quietTail = left.size() > kDeviceRate / 20 &&
                             std::all_of(left.end() - kDeviceRate / 20, left.end(), [](std::int16_t v) { return v == 0; });
            if (found.size() >= count && quietTail) return found;
            std::this_thread::sleep_for(50ms);
        }
        return Bursts(LeftChannel(output));
    }

    dialog_test::TempFolder folder;
    std::string output;
};

TEST_F(DiskAudio, TheWaveFileIsConvertedAndPlayed) {
    WriteTone("RES/41.wav", 300.0, 0.3, 22050);  // mono at another rate than the device's
    plat::qt::SdlSound sound;
    EXPECT_TRUE(sound.PlaySoundAsync("RES\\41.wav"));
    std::vector<Burst> bursts = WaitForBursts(1);
    ASSERT_EQ(bursts.size(), 1u);
    EXPECT_NEAR(bursts[0].hz, 300.0, 15.0);
    EXPECT_NEAR(bursts[0].frames, 0.3 * kDeviceRate, 0.02 * kDeviceRate);
    EXPECT_NEAR(bursts[0].peak, 16000, 800);
}

struct MissingCase {
    const char* name;
    const char* path;
    const char* contents;  // null: no file
};

void PrintTo(const MissingCase& c, std::ostream* os) { *os << c.name; }

class DefaultSound : public DiskAudio, public ::testing::WithParamInterface<MissingCase> {};

TEST_P(DefaultSound, PlaysTheBuiltInBeepInstead) {
    if (GetParam().contents) std::ofstream(GetParam().path) << GetParam().contents;
    plat::qt::SdlSound sound;
    sound.PlaySoundAsync(GetParam().path);
    std::vector<Burst> bursts = WaitForBursts(1);
    ASSERT_EQ(bursts.size(), 1u);
    EXPECT_NEAR(bursts[0].hz, 880.0, 30.0);
    EXPECT_GT(bursts[0].peak, 5000);
}

INSTANTIATE_TEST_SUITE_P(Files, DefaultSound,
                         ::testing::Values(MissingCase{"Missing", "RES/41.wav", nullptr},
                                           MissingCase{"NotAWave", "RES/41.wav", "RIFF garbage"},
                                           MissingCase{"NoPath", "", nullptr}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DiskAudio, TheFileIsReadAnewAtEveryPlay) {
    WriteTone("RES/41.wav", 300.0, 0.15, 44100);
    plat::qt::SdlSound sound;
    sound.PlaySoundAsync("RES\\41.wav");
    ASSERT_EQ(WaitForBursts(1).size(), 1u);
    WriteTone("RES/41.wav", 600.0, 0.15, 44100);
    sound.PlaySoundAsync("RES\\41.wav");
    std::vector<Burst> bursts = WaitForBursts(2);
    ASSERT_EQ(bursts.size(), 2u);
    EXPECT_NEAR(bursts[0].hz, 300.0, 15.0);
    EXPECT_NEAR(bursts[1].hz, 600.0, 30.0);
}

TEST_F(DiskAudio, ANewPlayCutsOffTheSoundStillPlaying) {
    WriteTone("RES/long.wav", 300.0, 2.0, 44100);
    WriteTone("RES/short.wav", 600.0, 0.1, 44100);
    plat::qt::SdlSound sound;
    sound.PlaySoundAsync("RES\\long.wav");
    std::this_thread::sleep_for(300ms);
    sound.PlaySoundAsync("RES\\short.wav");
    std::vector<Burst> bursts = WaitForBursts(1);
    ASSERT_FALSE(bursts.empty());
    std::size_t total = 0;
    for (const Burst& b : bursts) total += b.frames;
    EXPECT_LT(total, static_cast<std::size_t>(1.5 * kDeviceRate)) << "the long sound did not play to its end";
}

// Opening the FIFO's other end lets a reader stuck on it go, so a failing
// test ends instead of hanging in the player's destructor.
struct FifoRelease {
    const char* path;
    ~FifoRelease() {
        for (int i = 0; i < 20; ++i) {
            const int writer = ::open(path, O_WRONLY | O_NONBLOCK);
            if (writer >= 0) ::close(writer);
            std::this_thread::sleep_for(5ms);
        }
    }
};

TEST_F(DiskAudio, AFifoInPlaceOfTheSoundBeepsAndLaterHitsStillPlay) {
    ASSERT_TRUE(test_support::MakeFifo("RES/41.wav"));
    plat::qt::SdlSound sound;
    FifoRelease release{"RES/41.wav"};
    sound.PlaySoundAsync("RES\\41.wav");
    std::vector<Burst> bursts = WaitForBursts(1);
    ASSERT_EQ(bursts.size(), 1u) << "the player is stuck on the FIFO";
    EXPECT_NEAR(bursts[0].hz, 880.0, 30.0);

    std::filesystem::remove("RES/41.wav");
    WriteTone("RES/41.wav", 300.0, 0.15, 44100);
    sound.PlaySoundAsync("RES\\41.wav");
    bursts = WaitForBursts(2);
    ASSERT_EQ(bursts.size(), 2u);
    EXPECT_NEAR(bursts[1].hz, 300.0, 15.0);
}

TEST(NoAudioDevice, PlayingNeitherBlocksNorFails) {
    ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    {
        plat::qt::SdlSound sound;
        for (int i = 0; i < 3; ++i) EXPECT_TRUE(sound.PlaySoundAsync("RES\\41.wav"));
        std::this_thread::sleep_for(50ms);
    }  // stops its worker and returns
    ::unsetenv("SDL_AUDIODRIVER");
}

// Speech on the same device as the hit sound, asked for in a row.
struct SpeechStep {
    bool speech;     // else a hit sound of the tone
    double hz, seconds;
    int pauseBeforeMs;
};
struct SpeechCase {
    const char* name;
    std::vector<SpeechStep> steps;
    double minSeconds, maxSeconds;  // of all sound the device got
};

void PrintTo(const SpeechCase& c, std::ostream* os) { *os << c.name; }

class SpeechBesideHits : public DiskAudio, public ::testing::WithParamInterface<SpeechCase> {};

TEST_P(SpeechBesideHits, SpeechWaitsForTheHitAndIsCutOffByTheNextSound) {
    plat::qt::SdlSound sound;
    int n = 0;
    for (const SpeechStep& step : GetParam().steps) {
        std::this_thread::sleep_for(std::chrono::milliseconds(step.pauseBeforeMs));
        if (step.speech) {
            constexpr int kRate = 16000;
            std::vector<std::int16_t> samples(static_cast<std::size_t>(kRate * step.seconds));
            for (std::size_t i = 0; i < samples.size(); ++i)
                samples[i] = static_cast<std::int16_t>(16000 * std::sin(2 * std::numbers::pi * step.hz * i / kRate));
            EXPECT_TRUE(sound.PlaySpeechAsync(samples.data(), samples.size(), kRate));
        } else {
            const std::string file = "RES/tone" + std::to_string(n++) + ".wav";
            WriteTone(file, step.hz, step.seconds, 44100);
            EXPECT_TRUE(sound.PlaySoundAsync(file.c_str()));
        }
    }
    std::size_t frames = 0;
    for (const Burst& b : WaitForBursts(1)) frames += b.frames;
    EXPECT_GE(frames, GetParam().minSeconds * kDeviceRate);
    EXPECT_LE(frames, GetParam().maxSeconds * kDeviceRate);
}

INSTANTIATE_TEST_SUITE_P(
    Order, SpeechBesideHits,
    ::testing::Values(
        // Both play whole, one after the other.
        SpeechCase{"SpeechAfterAHit", {{false, 300, 0.4, 0}, {true, 600, 0.4, 100}}, 0.75, 0.85},
        SpeechCase{"AHitCutsOffSpeech", {{true, 600, 2.0, 0}, {false, 300, 0.1, 300}}, 0.3, 1.0},
        // The hit plays whole, then only the newer speech.
        SpeechCase{"NewSpeechCutsOffOldSpeechNotTheHit",
                   {{false, 300, 0.4, 0}, {true, 600, 2.0, 100}, {true, 900, 0.2, 100}}, 0.55, 0.75}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

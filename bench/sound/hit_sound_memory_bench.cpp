// Peak resident memory of a process that plays hit sounds from WAV files a
// learner might put in place of RES/41.wav: a 1 Hz 8-bit mono file of
// 200,044 bytes and a 10 MB file at 8 kHz, next to the shipped sound. Each
// file is played five times in a child process of its own, through SDL's
// dummy audio driver, and the child's peak RSS (VmHWM) is reported. Exits
// non-zero when any peak reaches 100 MB.
//
// usage: bench_hit_sound [SHIPPED_WAV]
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/qt/sdl_sound.h"

namespace {

namespace fs = std::filesystem;
constexpr long kLimitKib = 100 * 1024;

std::string EightBitMonoWav(std::uint32_t rate, std::uint32_t samples) {
    std::string b;
    auto u16 = [&](std::uint32_t v) { b += static_cast<char>(v & 0xFF); b += static_cast<char>(v >> 8 & 0xFF); };
    auto u32 = [&](std::uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
    b += "RIFF";
    u32(36 + samples);
    b += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate);
    u16(1);
    u16(8);
    b += "data";
    u32(samples);
    for (std::uint32_t i = 0; i < samples; ++i) b += static_cast<char>(i / 20 % 2 ? 0x50 : 0xB0);
    return b;
}

long PeakRssKib() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// Child: plays the file five times and prints its peak RSS in KiB.
int PlayAndMeasure(const char* file) {
    plat::qt::SdlSound sound;
    for (int i = 0; i < 5; ++i) {
        sound.PlaySoundAsync(file);
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
    }
    std::printf("%ld\n", PeakRssKib());
    return 0;
}

long MeasureInChild(const std::string& file) {
    int out[2];
    if (pipe(out) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        execl("/proc/self/exe", "bench_hit_sound", "--play", file.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char text[64] = {};
    const ssize_t n = read(out[0], text, sizeof text - 1);
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (n <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return std::strtol(text, nullptr, 10);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--play") == 0) return PlayAndMeasure(argv[2]);
    setenv("SDL_AUDIODRIVER", "dummy", 0);

    const fs::path folder = fs::temp_directory_path() / ("kestran-bench-sound-" + std::to_string(getpid()));
    fs::create_directories(folder);
    struct Case {
        std::string name;
        std::string file;
    };
    std::vector<Case> cases;
    if (argc > 1) cases.push_back({"the shipped sound", argv[1]});
    const std::string oneHertz = (folder / "1hz.wav").string();
    std::ofstream(oneHertz, std::ios::binary) << EightBitMonoWav(1, 200000);
    cases.push_back({"1 Hz, 8-bit mono, 200,044 bytes", oneHertz});
    const std::string long8k = (folder / "8khz-10mb.wav").string();
    std::ofstream(long8k, std::ios::binary) << EightBitMonoWav(8000, 10u << 20);
    cases.push_back({"8 kHz, 8-bit mono, 10 MB", long8k});

    bool missed = false;
    std::printf("%-34s %14s\n", "WAV played five times", "peak RSS (MB)");
    for (const Case& c : cases) {
        const long kib = MeasureInChild(c.file);
        const bool ok = kib > 0 && kib < kLimitKib;
        missed = missed || !ok;
        std::printf("%-34s %14.1f  %s\n", c.name.c_str(), kib / 1024.0, ok ? "ok" : "MISSED (limit 100 MB)");
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return missed ? 1 : 0;
}

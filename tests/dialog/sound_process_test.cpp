// The hit sound as a whole process sees it: Ctrl+C and kill still end the
// program after sound has started, and a machine without a sound device gets
// one line about it, not a screenful from the sound library. Each case runs
// this test program again as a child in a mode of its own.
#include <gtest/gtest.h>

#include <QApplication>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/qt/sdl_sound.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// --- Child modes --------------------------------------------------------------

// Plays a hit, says "ready" once the device has been fed, then waits to be
// ended by a signal.
int HitThenWait(const char* deviceFile) {
    plat::qt::SdlSound sound;
    sound.PlaySoundAsync("RES\\41.wav");  // missing: the beep
    for (auto until = Clock::now() + 10s; Clock::now() < until; std::this_thread::sleep_for(10ms)) {
        std::error_code error;
        if (fs::file_size(deviceFile, error) > 0 && !error) {
            std::fputs("ready\n", stdout);
            std::fflush(stdout);
            for (;;) std::this_thread::sleep_for(1s);
        }
    }
    return 3;  // the device never started
}

int HitsWithoutDevice() {
    plat::qt::SdlSound sound;
    for (int i = 0; i < 3; ++i) {
        sound.PlaySoundAsync("RES\\41.wav");
        std::this_thread::sleep_for(300ms);
    }
    return 0;
}

// --- Running a child -----------------------------------------------------------

struct Child {
    pid_t pid = -1;
    int out = -1;  // its standard output
};

Child Spawn(const std::string& mode, const std::string& argument, const fs::path& errorFile) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeEnds[1], 1);
        const int err = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(err, 2);
        ::execl("/proc/self/exe", "sound_process_test", mode.c_str(), argument.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    return Child{pid, pipeEnds[0]};
}

bool ReadLine(int fd, std::chrono::milliseconds limit, std::string& line) {
    pollfd p{fd, POLLIN, 0};
    for (auto until = Clock::now() + limit; Clock::now() < until;) {
        if (::poll(&p, 1, 50) > 0) {
            char c;
            if (::read(fd, &c, 1) != 1) return false;
            if (c == '\n') return true;
            line += c;
        }
    }
    return false;
}

// The child's wait status, or -1 if it had not ended within the limit (it is
// then killed).
int WaitFor(pid_t pid, std::chrono::milliseconds limit) {
    int status = 0;
    for (auto until = Clock::now() + limit; Clock::now() < until; std::this_thread::sleep_for(5ms))
        if (::waitpid(pid, &status, WNOHANG) == pid) return status;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return -1;
}

std::string Contents(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class SoundProcess : public ::testing::TestWithParam<int> {
protected:
    dialog_test::TempFolder folder;
};

TEST_P(SoundProcess, TheSignalEndsTheProgramAtOnceAfterAHitSound) {
    const fs::path device = folder.path() / "device.raw";
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    ::setenv("SDL_DISKAUDIOFILE", device.c_str(), 1);
    Child child = Spawn("--hit-then-wait", device.string(), folder.path() / "stderr.txt");
    ::unsetenv("SDL_AUDIODRIVER");
    ASSERT_GT(child.pid, 0);
    std::string line;
    const bool ready = ReadLine(child.out, 10s, line);
    ::close(child.out);
    if (!ready) WaitFor(child.pid, 0ms);
    ASSERT_TRUE(ready) << "the child never played: " << Contents(folder.path() / "stderr.txt");

    ::kill(child.pid, GetParam());
    const int status = WaitFor(child.pid, 1s);
    ASSERT_NE(status, -1) << "still running a second after " << strsignal(GetParam());
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == GetParam());
}

INSTANTIATE_TEST_SUITE_P(Signals, SoundProcess, ::testing::Values(SIGTERM, SIGINT),
                         [](const auto& info) { return std::string(info.param == SIGTERM ? "SIGTERM" : "SIGINT"); });

TEST(NoSoundDevice, OneLineOnceAndNothingFromTheSoundLibrary) {
    dialog_test::TempFolder folder;
    // An ALSA set-up whose only device is a card that does not exist, which
    // ALSA itself complains about on every open.
    const fs::path config = folder.path() / "asound.conf";
    std::ofstream(config) << "pcm.!default { type hw card \"kestran_none\" }\n"
                             "ctl.!default { type hw card \"kestran_none\" }\n";
    ::setenv("SDL_AUDIODRIVER", "alsa", 1);
    ::setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
    Child child = Spawn("--hits-without-device", "", folder.path() / "stderr.txt");
    ::unsetenv("SDL_AUDIODRIVER");
    ::unsetenv("ALSA_CONFIG_PATH");
    ASSERT_GT(child.pid, 0);
    ::close(child.out);
    const int status = WaitFor(child.pid, 20s);
    ASSERT_TRUE(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0);

    const std::string errors = Contents(folder.path() / "stderr.txt");
    EXPECT_EQ(errors, "KESTRAN: no sound device found; hits stay silent.\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--hit-then-wait") == 0) return HitThenWait(argv[2]);
    if (argc >= 2 && std::strcmp(argv[1], "--hits-without-device") == 0) return HitsWithoutDevice();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

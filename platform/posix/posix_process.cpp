#include "platform/posix/posix_process.h"

#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace plat {

void PosixProcess::CreateThread(void (*entry)()) { std::thread(entry).detach(); }

void PosixProcess::Sleep(unsigned milliseconds) {
    timespec ts{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

std::uint32_t PosixProcess::GetTickCount() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

unsigned PosixProcess::GetCurrentDirectory(unsigned bufferSize, char* buffer) {
    std::vector<char> path(4096);
    while (getcwd(path.data(), path.size()) == nullptr) {
        if (errno != ERANGE) return 0;
        path.resize(path.size() * 2);
    }
    std::size_t length = std::strlen(path.data());
    if (!buffer || length + 1 > bufferSize) return static_cast<unsigned>(length + 1);
    std::memcpy(buffer, path.data(), length + 1);
    return static_cast<unsigned>(length);
}

bool PosixProcess::SetCurrentDirectory(const char* path) { return path && chdir(path) == 0; }

void PosixProcess::Exit(int status) {
    // Streams are flushed as the runtime's exit would, but no destructor or
    // exit handler runs while the other threads are still at work.
    std::fflush(nullptr);
    _exit(status);
}

}  // namespace plat

namespace plat {

Process& SystemProcess() {
    static PosixProcess process;
    return process;
}

}  // namespace plat

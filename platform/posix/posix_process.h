// Threads, time, working directory and exit on POSIX.
#pragma once

#include "platform/platform.h"

namespace plat {

class PosixProcess final : public Process {
public:
    void CreateThread(void (*entry)()) override;
    void Sleep(unsigned milliseconds) override;
    std::uint32_t GetTickCount() override;
    unsigned GetCurrentDirectory(unsigned bufferSize, char* buffer) override;
    bool SetCurrentDirectory(const char* path) override;
    [[noreturn]] void Exit(int status) override;
};

}  // namespace plat

// Threads, time, working directory and exit on the classic calls.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/system_process.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/windows_fence.h"

namespace plat {
namespace {

DWORD WINAPI RunThreadEntry(LPVOID entry) {
    reinterpret_cast<void (*)()>(entry)();
    return 0;
}

class Win32Process final : public Process {
public:
    void CreateThread(void (*entry)()) override {
        HANDLE thread = ::CreateThread(nullptr, 0, RunThreadEntry, reinterpret_cast<LPVOID>(entry), 0, nullptr);
        if (thread) ::CloseHandle(thread);  // never joined
    }

    void Sleep(unsigned milliseconds) override { ::Sleep(milliseconds); }

    std::uint32_t GetTickCount() override { return ::GetTickCount(); }

    unsigned GetCurrentDirectory(unsigned bufferSize, char* buffer) override {
        const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
        if (needed == 0) return 0;
        std::vector<wchar_t> wide(needed, L'\0');
        ::GetCurrentDirectoryW(needed, wide.data());
        const std::string gbk = win32::GbkFromWide(wide.data());
        if (!buffer || gbk.size() + 1 > bufferSize) return static_cast<unsigned>(gbk.size() + 1);
        std::copy(gbk.c_str(), gbk.c_str() + gbk.size() + 1, buffer);
        return static_cast<unsigned>(gbk.size());
    }

    bool SetCurrentDirectory(const char* path) override {
        if (!path) return false;
        const std::wstring wide = win32::WideFromGbk(path);
        return ::SetCurrentDirectoryW(wide.c_str()) != 0;
    }

    [[noreturn]] void Exit(int status) override {
        // Streams are flushed as the runtime's exit would, but no destructor
        // or exit handler runs while the other threads are still at work.
        std::fflush(nullptr);
        ::ExitProcess(static_cast<UINT>(status));
    }
};

}  // namespace

// Never destroyed: every thread sleeps and reads the clock through it to
// the last moment.
Process& SystemProcess() {
    static auto* process = new Win32Process();
    return *process;
}

}  // namespace plat

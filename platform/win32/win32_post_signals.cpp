#include "platform/win32/win32_post_signals.h"

namespace plat::win32 {

PostSignals::~PostSignals() {
    for (const auto& [thread, event] : events_) ::CloseHandle(event);
}

HANDLE PostSignals::OfThisThread() {
    const DWORD thread = ::GetCurrentThreadId();
    std::lock_guard lock(mutex_);
    HANDLE& event = events_[thread];
    if (!event) event = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return event;
}

void PostSignals::Signal(HWND window) {
    const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
    std::lock_guard lock(mutex_);
    const auto found = events_.find(thread);
    if (found != events_.end()) ::SetEvent(found->second);
}

}  // namespace plat::win32

// Tells a thread waiting for posted messages that one was posted to it.
//
// The queue's own "new message" marks cannot serve that wait: it has to look
// past a pending WM_TIMER (which the timer thread posts like any other
// message), the look takes two ranges, and each look marks everything in the
// queue as seen, so a message posted between the two would sleep unseen. Each
// post made through the backend sets an event of the receiving thread instead.
#pragma once

#include <map>
#include <mutex>

#include "platform/win32/windows_fence.h"

namespace plat::win32 {

class PostSignals {
public:
    PostSignals() = default;
    PostSignals(const PostSignals&) = delete;
    PostSignals& operator=(const PostSignals&) = delete;
    ~PostSignals();

    // The calling thread's event, made on first use. It stays while the
    // backend lives; a later thread with the same id takes it over.
    HANDLE OfThisThread();
    // A message was posted to `window`: its thread's event, if it has one, is set.
    void Signal(HWND window);

private:
    std::mutex mutex_;
    std::map<DWORD, HANDLE> events_;
};

}  // namespace plat::win32

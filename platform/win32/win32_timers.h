// Window timers at the periods asked for. The system's own window timers
// round up to its tick (about 15.6 ms) and never go below 10 ms, which would
// turn the ticker's 48/27/8 ms into about 62/31/16 ms; they also refuse a
// window of another thread. So one thread of ours waits on a
// high-resolution waitable timer and posts WM_TIMER to the window, which
// puts it in the owner thread's queue whichever thread armed it.
//
// Each timer keeps a fixed schedule (due += period), so single late wake-ups
// do not stretch the average. A timer whose message is still pending posts
// no second one, and deadlines that passed meanwhile are skipped, not made up.
// A message still pending at the next deadline means its thread is not
// taking messages (busy, or waiting for other ones): the timer then leaves
// the schedule, so this thread does not wake for it, and rejoins it on its
// own beat when the message is taken.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/win32/windows_fence.h"

namespace plat::win32 {

class TimerThread {
public:
    using Clock = std::chrono::steady_clock;

    TimerThread();
    ~TimerThread();
    TimerThread(const TimerThread&) = delete;
    TimerThread& operator=(const TimerThread&) = delete;

    // Arms or re-arms (new period, first message one period from now).
    bool Set(HWND window, std::uintptr_t id, unsigned periodMs);
    // False when there is no such timer.
    bool Kill(HWND window, std::uintptr_t id);
    // The owner thread took the timer's message from its queue.
    void NoteRetrieved(HWND window, std::uintptr_t id);
    // How often the thread has woken so far.
    unsigned long WakeUps() const { return wakeUps_.load(); }

private:
    struct Timer {
        HWND window;
        std::uintptr_t id;
        Clock::duration period;
        Clock::time_point due;
        bool pending;
        bool parked;  // pending past a deadline: out of the schedule
    };

    void Run();
    // Posts what is due; returns the next deadline.
    Clock::time_point PostDueLocked(Clock::time_point now);

    std::mutex mutex_;
    std::vector<Timer> timers_;
    bool stopping_ = false;
    HANDLE waitable_ = nullptr;
    HANDLE changed_ = nullptr;
    std::atomic<unsigned long> wakeUps_{0};
    std::thread thread_;
};

}  // namespace plat::win32

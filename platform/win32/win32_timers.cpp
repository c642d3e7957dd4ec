#include "platform/win32/win32_timers.h"

#include <algorithm>

namespace plat::win32 {
namespace {

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

// A high-resolution timer where the system has one (Windows 10 1803 and
// later); otherwise a plain one, whose precision then follows the raised
// timer resolution the program asks for at start.
HANDLE MakeWaitableTimer() {
    HANDLE timer = ::CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
    if (!timer) timer = ::CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
    return timer;
}

// The first beat of a timer's schedule after `now`, from a deadline that
// has passed: the beats missed meanwhile are skipped.
TimerThread::Clock::time_point NextBeatAfter(TimerThread::Clock::time_point due,
                                             TimerThread::Clock::duration period,
                                             TimerThread::Clock::time_point now) {
    return due <= now ? due + ((now - due) / period + 1) * period : due;
}

}  // namespace

TimerThread::TimerThread()
    : waitable_(MakeWaitableTimer()), changed_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    thread_ = std::thread([this] { Run(); });
}

TimerThread::~TimerThread() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    ::SetEvent(changed_);
    thread_.join();
    ::CloseHandle(waitable_);
    ::CloseHandle(changed_);
}

bool TimerThread::Set(HWND window, std::uintptr_t id, unsigned periodMs) {
    if (!window || !::IsWindow(window)) return false;
    const auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::milliseconds(std::max(1u, periodMs)));
    {
        std::lock_guard lock(mutex_);
        const Clock::time_point due = Clock::now() + period;
        auto it = std::find_if(timers_.begin(), timers_.end(),
                               [&](const Timer& t) { return t.window == window && t.id == id; });
        if (it != timers_.end()) {
            it->period = period;
            it->due = due;
            it->parked = false;
        } else {
            timers_.push_back(Timer{window, id, period, due, false, false});
        }
    }
    ::SetEvent(changed_);
    return true;
}

bool TimerThread::Kill(HWND window, std::uintptr_t id) {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(timers_.begin(), timers_.end(),
                           [&](const Timer& t) { return t.window == window && t.id == id; });
    if (it == timers_.end()) return false;
    timers_.erase(it);
    return true;
}

void TimerThread::NoteRetrieved(HWND window, std::uintptr_t id) {
    bool rejoined = false;
    {
        std::lock_guard lock(mutex_);
        const Clock::time_point now = Clock::now();
        for (Timer& t : timers_) {
            if (t.window != window || t.id != id) continue;
            t.pending = false;
            if (!t.parked) continue;
            t.parked = false;
            t.due = NextBeatAfter(t.due, t.period, now);
            rejoined = true;
        }
    }
    if (rejoined) ::SetEvent(changed_);
}

TimerThread::Clock::time_point TimerThread::PostDueLocked(Clock::time_point now) {
    Clock::time_point next = Clock::time_point::max();
    for (auto it = timers_.begin(); it != timers_.end();) {
        Timer& t = *it;
        if (t.parked) {
            ++it;
            continue;
        }
        if (now >= t.due) {
            if (t.pending) {
                t.parked = true;
                ++it;
                continue;
            }
            if (!::PostMessageW(t.window, sys::WM_TIMER, t.id, 0)) {
                it = timers_.erase(it);  // the window is gone
                continue;
            }
            t.pending = true;
            t.due = NextBeatAfter(t.due + t.period, t.period, now);
        }
        next = std::min(next, t.due);
        ++it;
    }
    return next;
}

void TimerThread::Run() {
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    for (;; ++wakeUps_) {
        Clock::time_point next;
        Clock::time_point now;
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
            now = Clock::now();
            next = PostDueLocked(now);
        }
        HANDLE handles[] = {changed_, waitable_};
        if (next == Clock::time_point::max()) {
            ::WaitForSingleObject(changed_, INFINITE);
            continue;
        }
        // Relative due time in 100 ns units (negative means relative).
        const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(next - now).count();
        LARGE_INTEGER dueTime;
        dueTime.QuadPart = -std::max<long long>(1, wait / 100);
        ::SetWaitableTimer(waitable_, &dueTime, 0, nullptr, nullptr, FALSE);
        ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    }
}

}  // namespace plat::win32

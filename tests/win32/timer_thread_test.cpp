// The timer thread behind window timers: while a timer's message waits in a
// queue nobody takes from, the thread does not wake for the timer; once the
// message is taken, the timer ticks again on its own beat, one message at a
// time.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/win32/win32_timers.h"

namespace {

using namespace std::chrono_literals;

int TimerMessagesQueued(HWND window) {
    int count = 0;
    MSG msg{};
    while (::PeekMessageW(&msg, window, plat::win32::sys::WM_TIMER, plat::win32::sys::WM_TIMER, PM_REMOVE)) ++count;
    return count;
}

TEST(TimerThread, APendingMessageStopsItsWakeUpsAndTakingItResumesTheBeat) {
    HWND window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    plat::win32::TimerThread timers;
    ASSERT_TRUE(timers.Set(window, 1, 5));

    // The first message is posted at 5 ms and left in the queue.
    std::this_thread::sleep_for(30ms);
    const unsigned long before = timers.WakeUps();
    std::this_thread::sleep_for(200ms);  // 40 beats
    EXPECT_LE(timers.WakeUps() - before, 1u) << "woke for a timer whose message nobody takes";
    EXPECT_EQ(TimerMessagesQueued(window), 1) << "missed beats were posted";

    timers.NoteRetrieved(window, 1);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(TimerMessagesQueued(window), 1) << "the timer did not come back after its message was taken";
    timers.NoteRetrieved(window, 1);

    // Taken at once each time, it keeps its beat.
    int ticks = 0;
    const auto until = std::chrono::steady_clock::now() + 200ms;
    while (std::chrono::steady_clock::now() < until) {
        const int taken = TimerMessagesQueued(window);
        for (int i = 0; i < taken; ++i) timers.NoteRetrieved(window, 1);
        ticks += taken;
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_GE(ticks, 200 / 5 / 2);
    EXPECT_LE(ticks, 200 / 5 + 2);
    timers.Kill(window, 1);
    ::DestroyWindow(window);
}

}  // namespace

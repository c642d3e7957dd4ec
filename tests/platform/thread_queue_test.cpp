// Message queues: delivery to the owner thread, timers, sent requests.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/core/thread_queue.h"

using namespace std::chrono_literals;
using plat::Message;
using plat::ThreadQueue;

namespace {
plat::Window FakeWindow(int n) { return reinterpret_cast<plat::Window>(static_cast<std::uintptr_t>(0x1000 + n)); }
}  // namespace

TEST(ThreadQueue, PostedMessagesArriveInOrderBeforeQuit) {
    ThreadQueue q;
    q.SetOwner(std::this_thread::get_id());
    q.PostQuit(7);
    q.Post(Message{FakeWindow(1), 0x400, 1, 0});
    q.Post(Message{FakeWindow(1), 0x400, 2, 0});
    Message m;
    ASSERT_TRUE(q.Take(m, false));
    EXPECT_EQ(m.wParam, 1u);
    ASSERT_TRUE(q.Take(m, false));
    EXPECT_EQ(m.wParam, 2u);
    ASSERT_TRUE(q.Take(m, false));
    EXPECT_EQ(m.message, plat::WM_QUIT);
    EXPECT_EQ(m.wParam, 7u);
    EXPECT_FALSE(q.Take(m, false));
}

TEST(ThreadQueue, BlockingTakeWakesForAMessageFromAnotherThread) {
    ThreadQueue q;
    std::thread owner([&] {
        q.SetOwner(std::this_thread::get_id());
        Message m;
        ASSERT_TRUE(q.Take(m, true));
        EXPECT_EQ(m.message, 0x401u);
    });
    std::this_thread::sleep_for(20ms);
    q.Post(Message{FakeWindow(2), 0x401, 0, 0});
    owner.join();
}

TEST(ThreadQueue, TimerFiresRepeatedlyAndNeverPilesUp) {
    ThreadQueue q;
    q.SetOwner(std::this_thread::get_id());
    q.SetTimer(FakeWindow(3), 3, 5);
    Message m;
    EXPECT_FALSE(q.Take(m, false)) << "not due before its first period";
    ASSERT_TRUE(q.Take(m, true));
    EXPECT_EQ(m.message, plat::WM_TIMER);
    EXPECT_EQ(m.wParam, 3u);
    // A busy owner misses many periods: afterwards exactly one tick is there.
    std::this_thread::sleep_for(60ms);
    ASSERT_TRUE(q.Take(m, false));
    EXPECT_EQ(m.message, plat::WM_TIMER);
    EXPECT_FALSE(q.Take(m, false)) << "missed ticks must not be made up";
}

TEST(ThreadQueue, TimerReArmedFromAnotherThreadKeepsTickingAtTheNewPeriod) {
    ThreadQueue q;
    q.SetOwner(std::this_thread::get_id());
    q.SetTimer(FakeWindow(4), 3, 1000);
    std::thread other([&] {
        EXPECT_TRUE(q.KillTimer(FakeWindow(4), 3));
        EXPECT_FALSE(q.KillTimer(FakeWindow(4), 3)) << "killing an absent timer fails";
        q.SetTimer(FakeWindow(4), 1, 4);
    });
    other.join();
    auto start = std::chrono::steady_clock::now();
    int ticks = 0;
    Message m;
    while (ticks < 10 && q.Take(m, true)) {
        ASSERT_EQ(m.message, plat::WM_TIMER);
        EXPECT_EQ(m.wParam, 1u);
        ++ticks;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 900ms);
}

TEST(ThreadQueue, SentRequestRunsOnTheOwnerThreadWhileItRetrieves) {
    ThreadQueue q;
    std::atomic<bool> stop{false};
    std::thread::id ranOn;
    std::thread owner([&] {
        q.SetOwner(std::this_thread::get_id());
        Message m;
        while (!stop) q.Take(m, false), std::this_thread::sleep_for(1ms);
    });
    while (q.Owner() == std::thread::id()) std::this_thread::yield();
    int answer = 0;
    q.Send([&] {
        ranOn = std::this_thread::get_id();
        answer = 42;
    });
    EXPECT_EQ(answer, 42);
    EXPECT_EQ(ranOn, owner.get_id());
    stop = true;
    owner.join();
}

TEST(ThreadQueue, SendFromTheOwnerRunsAtOnce) {
    ThreadQueue q;
    q.SetOwner(std::this_thread::get_id());
    bool ran = false;
    q.Send([&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST(ThreadQueue, EachThreadHasItsOwnQueue) {
    ThreadQueue* mine = &plat::CurrentThreadQueue();
    ThreadQueue* theirs = nullptr;
    std::thread([&] { theirs = &plat::CurrentThreadQueue(); }).join();
    EXPECT_NE(mine, theirs);
    EXPECT_EQ(mine, &plat::CurrentThreadQueue());
}

TEST(ThreadQueue, AWaitEndsForATimerFallingDueAndRunsSentRequestsMeanwhile) {
    ThreadQueue q;
    q.SetOwner(std::this_thread::get_id());
    q.SetTimer(FakeWindow(9), 9, 20);
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(q.WaitUntil(start + 1s));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 19ms);
    Message m;
    ASSERT_TRUE(q.Take(m, false)) << "the wait took nothing";
    EXPECT_EQ(m.message, plat::WM_TIMER);
    q.KillTimer(FakeWindow(9), 9);

    std::thread::id ranOn;
    std::thread sender([&] {
        std::this_thread::sleep_for(20ms);
        q.Send([&] { ranOn = std::this_thread::get_id(); });
    });
    start = std::chrono::steady_clock::now();
    EXPECT_FALSE(q.WaitUntil(start + 150ms)) << "a sent request is no message";
    EXPECT_GE(std::chrono::steady_clock::now() - start, 149ms);
    sender.join();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

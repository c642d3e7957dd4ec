// The ticker's loop against its timer on simulated time: a tick on every
// beat of the timer at each speed, none lost, none piled up after a long
// tick, and one wake-up per pass of the loop.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "drill/drill_state.h"
#include "drill/practice_ticker.h"
#include "drill_test_support.h"
#include "platform/core/thread_queue.h"

using namespace kestran;
using drilltest::WordList;

namespace {

class TickerLoopTest : public drilltest::DrillTest {
protected:
    void TearDown() override {
        if (TickerWindow) plat::CurrentThreadQueue().KillTimersOf(TickerWindow);
        DrillTest::TearDown();
    }
    // The moments (simulated ms) of the ticks the loop runs until `until`.
    std::vector<std::uint32_t> RunLoopUntil(std::uint32_t until) {
        std::vector<std::uint32_t> ticks;
        plat::Message message{};
        while (process.now < until)
            if (TickerLoopPass(message)) ticks.push_back(process.now);
        return ticks;
    }
    // The ticker window with its timer at a speed, as the slider sets it.
    void StartTicker(unsigned periodMs) {
        CreateTickerWindow();
        if (periodMs == kTickPeriodMs) return;
        plat::KillTimer(TickerWindow, kTickTimerId);
        plat::SetTimer(TickerWindow, 1, periodMs);
    }
};

TEST_F(TickerLoopTest, EveryBeatOfTheTimerIsOneTickAtEachSpeed) {
    for (unsigned period : {48u, 27u, 8u}) {
        SCOPED_TRACE(period);
        Fresh();
        drilltest::ScriptedQueueTime time(process);
        process.clockMovesOnSleep = true;
        WordList list(3);
        list.Install();
        StartTicker(period);
        const std::uint32_t start = process.now;

        const std::vector<std::uint32_t> ticks = RunLoopUntil(start + 2000);
        ASSERT_GE(ticks.size(), 2000 / period - 1);
        EXPECT_LE(ticks.size(), 2000 / period + 1);
        EXPECT_EQ(ticks.front(), start + period);
        for (std::size_t i = 1; i < ticks.size(); ++i) ASSERT_EQ(ticks[i] - ticks[i - 1], period) << i;
        // The word moved one pixel per tick: each tick ran once.
        EXPECT_EQ(drill.scrollX, -20 + static_cast<int>(ticks.size()));
        // One wait per tick, the 1 ms sleep included: the loop neither looks
        // into an empty queue every millisecond nor wakes from the sleep
        // only to wait again for the timer.
        EXPECT_EQ(process.sleeps + time.waits, static_cast<long>(ticks.size()));
    }
}

TEST_F(TickerLoopTest, AfterALongTickOneTickIsPendingAndNoneAreMadeUp) {
    drilltest::ScriptedQueueTime time(process);
    process.clockMovesOnSleep = true;
    WordList list(3);
    list.Install();
    StartTicker(kTickPeriodMs);

    // A hit whose animation never ends (no renderer): the tick waits until
    // the wait's time limit, while about 185 beats of the timer pass.
    plat::Message message{};
    ASSERT_TRUE(TickerLoopPass(message));
    Type(list.Word(drill.practiceIndex));
    const std::uint32_t before = process.now;
    ASSERT_TRUE(TickerLoopPass(message));
    ASSERT_EQ(Sounds(), 1u);
    const std::uint32_t waitEnded = process.now;
    ASSERT_GE(waitEnded - before, kHitWaitLimitMs);
    EXPECT_EQ(drill.practiceIndex, 1) << "the word moved on after the wait";

    // The one pending tick comes at once, then the timer's own beat again;
    // every pass of the loop is a tick.
    std::vector<std::uint32_t> ticks;
    for (int pass = 0; pass < 11; ++pass) {
        ASSERT_TRUE(TickerLoopPass(message)) << pass;
        ticks.push_back(process.now);
    }
    EXPECT_LE(ticks[0] - waitEnded, 1u);
    for (std::size_t i = 1; i < ticks.size(); ++i) EXPECT_EQ(ticks[i] - ticks[i - 1], kTickPeriodMs) << i;
    EXPECT_EQ(drill.scrollX, -20 + 11);
}

}  // namespace

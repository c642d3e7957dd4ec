// Writes that change the drill state are counted; a sleeping canvas is woken
// once, by the first change it must show before it would wake; the ticker's
// record tells when the next tick that moves something is due; a ticker
// waiting for a message is woken once by the first change.
#include <gtest/gtest.h>

#include <chrono>

#include "drill/change_signal.h"
#include "drill/common_steps.h"
#include "drill/drill_state.h"
#include "platform/headless/headless_backend.h"

using namespace kestran;
using namespace std::chrono_literals;

namespace {

TEST(ChangeSignal, OnlyWritesThatChangeAValueAreCounted) {
    ResetDrillStateForTest();
    struct Case {
        const char* what;
        void (*write)();
        bool counts;
    };
    const Case cases[] = {
        {"a field given its own value", [] { drill.scrollX = -20; }, false},
        {"a field given a new value", [] { drill.scrollX = 5; }, true},
        {"a step", [] { Increment(drill.scrollX); }, true},
        {"a toggled flag", [] { Toggle(drill.paused); }, true},
        {"a colour given its own value", [] { drill.clearColour = 0xFF0000FFu; }, false},
        {"a text set as it stands", [] { drill.sequentialProgressText.Set("1"); }, false},
        {"a text set anew", [] { drill.sequentialProgressText.Set("2"); }, true},
        {"a number written as it stands", [] { drill.sequentialProgressText.SetNumber(2); }, false},
        {"nothing appended", [] { drill.sequentialProgressText.Append(""); }, false},
        {"something appended", [] { drill.sequentialProgressText.Append("0"); }, true},
        {"a text cleared", [] { drill.sequentialProgressText.Clear(); }, true},
        {"an empty text cleared", [] { drill.sequentialProgressText.Clear(); }, false},
    };
    for (const Case& c : cases) {
        const std::uint64_t before = DrillChangeCount();
        c.write();
        EXPECT_EQ(DrillChangeCount() != before, c.counts) << c.what;
    }
    ResetDrillStateForTest();
}

int WakeUpsQueued(plat::Window window = Canvas.load()) {
    int wakeUps = 0;
    plat::Message message{};
    while (plat::PeekMessage(message))
        if (message.message == plat::WM_NULL && message.window == window) ++wakeUps;
    return wakeUps;
}

// A window of this thread standing in for one of the program's.
plat::Window StandIn(const char* className) {
    plat::WindowClass windowClass;
    windowClass.className = className;
    plat::RegisterClass(windowClass);
    return plat::CreateWindow(className, "", 0, 0, 0, 10, 10, nullptr);
}

TEST(ChangeSignal, ASleepingCanvasIsWokenOnceByAChangeItMustShowSooner) {
    plat::HeadlessBackend backend;
    ResetDrillStateForTest();
    Canvas = StandIn("canvas stand-in");
    const auto now = ChangeClock::now();

    AnnounceCanvasSleep(now + 100ms, 10ms);
    drill.scrollX = 1;
    drill.wordColour = 0xFF000000u;
    EXPECT_EQ(WakeUpsQueued(), 1) << "two changes, one wake-up";
    EndCanvasSleep();

    // Waking at the next refresh anyway: a change is shown then.
    AnnounceCanvasSleep(now + 5ms, 10ms);
    drill.scrollX = 2;
    EXPECT_EQ(WakeUpsQueued(), 0);
    EndCanvasSleep();

    AnnounceCanvasSleep(ChangeClock::now() + 100ms, 10ms);
    drill.scrollX = 2;
    EXPECT_EQ(WakeUpsQueued(), 0) << "a write that changed nothing";
    EndCanvasSleep();
    drill.scrollX = 3;
    EXPECT_EQ(WakeUpsQueued(), 0) << "not asleep";
    ResetDrillStateForTest();
}

TEST(ChangeSignal, TheNextTickThatMovesSomethingIsExpectedOnePeriodOn) {
    // Far from any tick another test noted.
    const auto start = ChangeClock::now() + 1h;
    NoteTick(start, true);
    EXPECT_FALSE(NextChangingTickDue()) << "one tick gives no period";
    NoteTick(start + 27ms, true);
    EXPECT_EQ(NextChangingTickDue(), start + 54ms);
    NoteTick(start + 54ms, false);
    EXPECT_FALSE(NextChangingTickDue()) << "a tick that changed nothing";
    NoteTick(start + 62ms, true);
    EXPECT_EQ(NextChangingTickDue(), start + 70ms) << "the speed changed";
    NoteTick(start + 2s, true);
    EXPECT_FALSE(NextChangingTickDue()) << "a pause of the ticker is no period";

    // One tick 3 ms late, the next on time again: expected near its time,
    // not 3 ms late.
    const auto again = start + 3s;
    for (auto at : {again, again + 27ms, again + 54ms, again + 84ms}) NoteTick(at, true);
    const auto expected = *NextChangingTickDue();
    EXPECT_GE(expected, again + 108ms);
    EXPECT_LT(expected, again + 112ms);
}

TEST(ChangeSignal, AWaitingTickerIsWokenOnceAndNoChangingTickIsExpectedMeanwhile) {
    plat::HeadlessBackend backend;
    ResetDrillStateForTest();
    TickerWindow = StandIn("ticker stand-in");
    const auto start = ChangeClock::now() + 2h;
    NoteTick(start, true);
    NoteTick(start + 27ms, true);
    ASSERT_TRUE(NextChangingTickDue());

    AnnounceTickerWait();
    EXPECT_FALSE(NextChangingTickDue()) << "the canvas would wake at every refresh for ticks that do not come";
    drill.listLoaded = 1;
    drill.testMode = 1;
    EXPECT_EQ(WakeUpsQueued(TickerWindow), 1) << "two changes, one wake-up";
    drill.testMode = 0;
    EXPECT_EQ(WakeUpsQueued(TickerWindow), 0) << "already woken";
    EndTickerWait();

    AnnounceTickerWait();
    EndTickerWait();
    drill.listLoaded = 0;
    EXPECT_EQ(WakeUpsQueued(TickerWindow), 0) << "no longer waiting";
    ResetDrillStateForTest();
}

}  // namespace

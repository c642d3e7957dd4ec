// The ticker on its own thread with real timers, a renderer-like thread
// ending each hit animation, and the test thread as UiThread owning the
// answer box: many hits in a row, none lost and none stuck. Without a list
// or in the test the ticker does not wake for its timer, and ticks again,
// without a burst, once the drill needs it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <utility>

#include "drill/drill_state.h"
#include "drill/practice_ticker.h"
#include "drill_test_support.h"

using namespace kestran;
using namespace std::chrono_literals;
using drilltest::WordList;

namespace {

class TickerThreadsTest : public drilltest::DrillTest {};

TEST_F(TickerThreadsTest, EveryHitAnimationIsHandedBackAndTheDrillGoesOn) {
    for (std::uint8_t random : {0, 1}) {
        SCOPED_TRACE(random ? "random order" : "file order");
        Fresh();
        UseRealClock();
        WordList list(5);
        list.Install();
        drill.randomOrder = random;
        constexpr int kHits = 40;

        std::atomic<bool> stopTicker{false}, stopRenderer{false}, tickerDone{false}, rendererDone{false};
        std::atomic<int> handovers{0};
        std::thread ticker([&] {
            CreateTickerWindow();
            plat::Message message{};
            while (!stopTicker) TickerLoopPass(message);
            tickerDone = true;
        });
        std::thread renderer([&] {
            int frame = 0;
            while (!stopRenderer) {
                std::this_thread::sleep_for(200us);
                if (drill.practiceHitAnim != 1 || drill.effectsOff != 0 || drill.listLoaded != 1) continue;
                if (++frame < 42) continue;
                frame = 0;
                drill.practiceHitAnim = 0;
                drill.paused = 0;
                ++handovers;
            }
            rendererDone = true;
        });
        while (!TickerWindow.load()) std::this_thread::yield();
        // The slider's re-arming, from this thread: timer 1 at the fastest speed.
        plat::KillTimer(TickerWindow, kTickTimerId);
        plat::SetTimer(TickerWindow, 1, 8);

        const auto deadline = std::chrono::steady_clock::now() + 60s;
        plat::Message message{};
        int typed = 0;
        while (Sounds() < kHits && std::chrono::steady_clock::now() < deadline) {
            while (plat::PeekMessage(message)) plat::DispatchMessage(message);
            if (drill.practiceFinished == 1) {  // Space
                drill.practiceFinished = 0;
                drill.paused = 0;
            }
            const int index = drill.practiceIndex;
            // Type only once the word on the canvas is known: after the first
            // tick of the pass, and in random order after the advance.
            const bool passStarted = random ? drill.randomPassStarted == 1 : drill.sequentialPassStarted == 1;
            const bool settled = passStarted && drill.advanceRequested == 0 && drill.practiceHitAnim == 0;
            if (settled && Box().empty() && static_cast<int>(Sounds()) == typed && index >= 0 &&
                index < list.Count()) {
                Type(list.Word(index));
                ++typed;
            }
            std::this_thread::sleep_for(100us);
        }
        EXPECT_EQ(Sounds(), static_cast<std::size_t>(kHits));
        // The renderer keeps drawing until the ticker has stopped, so that a
        // ticker still waiting for the last animation is released.
        stopTicker = true;
        while (!tickerDone) {
            while (plat::PeekMessage(message)) plat::DispatchMessage(message);
            std::this_thread::yield();
        }
        while (drill.practiceHitAnim == 1) std::this_thread::yield();
        stopRenderer = true;
        while (!rendererDone) {
            while (plat::PeekMessage(message)) plat::DispatchMessage(message);
            std::this_thread::yield();
        }
        ticker.join();
        renderer.join();
        EXPECT_EQ(handovers, kHits);
        EXPECT_TRUE(list.GuardsIntact());
    }
}

TEST_F(TickerThreadsTest, TheTickerSleepsWhileTicksChangeNothingAndTicksAgainWithoutABurst) {
    UseRealClock();
    std::atomic<bool> stop{false}, finished{false};
    std::atomic<int> passes{0}, ticks{0};
    std::thread ticker([&] {
        CreateTickerWindow();
        plat::Message message{};
        while (!stop) {
            if (TickerLoopPass(message)) ++ticks;
            ++passes;
        }
        finished = true;
    });
    while (!TickerWindow.load()) std::this_thread::yield();
    // This thread owns the answer box the ticks read: it takes its messages
    // while it waits.
    const auto pumpFor = [](std::chrono::milliseconds span) {
        const auto until = std::chrono::steady_clock::now() + span;
        plat::Message message{};
        while (std::chrono::steady_clock::now() < until) {
            while (plat::PeekMessage(message)) plat::DispatchMessage(message);
            std::this_thread::sleep_for(200us);
        }
    };
    // Passes of the loop and ticks over 300 ms, about 11 beats of the timer.
    const auto over300ms = [&] {
        const int passesBefore = passes, ticksBefore = ticks;
        pumpFor(300ms);
        return std::pair{passes - passesBefore, ticks - ticksBefore};
    };
    pumpFor(50ms);

    const auto [passesWithoutList, ticksWithoutList] = over300ms();
    EXPECT_EQ(passesWithoutList, 0) << "woke for ticks that change nothing";

    WordList list(3);
    list.Install();
    const auto [passesDrilling, ticksDrilling] = over300ms();
    EXPECT_GE(ticksDrilling, 7) << "a list came and the ticks did not start";
    EXPECT_LE(ticksDrilling, 13) << "the beats missed while waiting were made up";
    EXPECT_GT(drill.scrollX, -20);

    drill.testMode = 1;
    pumpFor(50ms);
    const int heldAt = drill.scrollX;
    const auto [passesInTest, ticksInTest] = over300ms();
    EXPECT_EQ(passesInTest, 0);
    EXPECT_EQ(drill.scrollX, heldAt);

    drill.testMode = 0;
    const auto [passesBack, ticksBack] = over300ms();
    EXPECT_GE(ticksBack, 7) << "practice came back and the ticks did not";
    EXPECT_LE(ticksBack, 13);

    stop = true;
    plat::PostMessage(TickerWindow, plat::WM_NULL, 0, 0);
    while (!finished) pumpFor(1ms);
    ticker.join();
}

}  // namespace

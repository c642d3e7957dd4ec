// RenderThread on the display-less backend: it makes the canvas window,
// keeps the drill going without any drawing device and ends on Esc.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <future>
#include <thread>

#include "drill/change_signal.h"
#include "drill/drill_state.h"
#include "platform/headless/headless_backend.h"
#include "tests/support/quiet_canvas_device.h"
#include "ui/renderer.h"

namespace kestran::testing {
namespace {

using namespace std::chrono_literals;

template <class Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit = 5000ms) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

TEST(RenderThreadTest, MakesTheCanvasRunsFramesWithoutADeviceAndEndsOnEsc) {
    plat::HeadlessBackend backend;
    ResetDrillStateForTest();
    plat::WindowClass parentClass;
    parentClass.className = "dialog stand-in";
    plat::RegisterClass(parentClass);
    MainDialog = plat::CreateWindow("dialog stand-in", "", 0, 0, 0, 600, 300, nullptr);

    auto thread = std::async(std::launch::async, [] { RenderThreadMain(); });
    // However the test ends, the thread must end too, or the future waits.
    struct EscOnExit {
        std::future<void>& thread;
        ~EscOnExit() {
            if (Canvas.load() && thread.wait_for(0s) != std::future_status::ready)
                plat::PostMessage(Canvas, plat::WM_KEYDOWN, plat::VK_ESCAPE, 0);
        }
    } escOnExit{thread};
    ASSERT_TRUE(WaitFor([] { return Canvas.load() != nullptr; }));
    const plat::Window canvas = Canvas;
    EXPECT_EQ(canvas->className, "S");
    EXPECT_EQ(canvas->parent, MainDialog.load());
    EXPECT_EQ(canvas->style, plat::WS_CHILD | plat::WS_VISIBLE);
    EXPECT_EQ(canvas->x, 58);
    EXPECT_EQ(canvas->y, 33);
    EXPECT_EQ(canvas->width, 480);
    EXPECT_EQ(canvas->height, 75);
    EXPECT_TRUE(WaitFor([&] { return canvas->visible.load(); }));

    // No device here, yet the frames go on: the hit animation ends and
    // releases the ticker.
    drill.listLoaded = 1;
    drill.paused = 1;
    drill.practiceHitAnim = 1;
    EXPECT_TRUE(WaitFor([] { return drill.practiceHitAnim == 0; }));
    EXPECT_EQ(drill.paused, 0);

    // A click on the canvas is handled between frames.
    drill.resultPending = 1;
    plat::PostMessage(canvas, plat::WM_LBUTTONDOWN, 0, 0);
    EXPECT_TRUE(WaitFor([] { return drill.resultPending == 0; }));

    plat::PostMessage(canvas, plat::WM_KEYDOWN, plat::VK_ESCAPE, 0);
    EXPECT_EQ(thread.wait_for(5s), std::future_status::ready);
    ResetDrillStateForTest();
}

// A device on a refresh grid of its own: WaitForRefresh sleeps to the next
// boundary, or returns at once when it does not wait. It counts what the
// loop asks of it, and when each frame ended.
class GridDevice final : public QuietCanvasDevice {
public:
    using Clock = std::chrono::steady_clock;
    GridDevice(bool waits, Clock::duration period) : waits_(waits), period_(period) {}
    std::atomic<int> refreshWaits{0};
    // Frames that ended with the practice hit animation still running.
    std::atomic<int> animatedFrames{0};
    std::atomic<Clock::rep> lastFrameEnd{0};

    plat::DeviceStatus Present() override {
        FrameEnded();
        return QuietCanvasDevice::Present();
    }
    void KeepFrame() override {
        FrameEnded();
        QuietCanvasDevice::KeepFrame();
    }
    void WaitForRefresh() override {
        ++refreshWaits;
        if (!waits_) return;
        // Some systems' sleeps end a little early; the refresh has not come then.
        const Clock::time_point due = RefreshAfter(Clock::now());
        while (Clock::now() < due) std::this_thread::sleep_until(due);
    }
    Clock::time_point RefreshAfter(Clock::time_point moment) override {
        return origin_ + ((moment - origin_) / period_ + 1) * period_;
    }
    Clock::duration RefreshPeriod() const override { return period_; }
    bool WaitsForRefresh() const override { return waits_; }

private:
    void FrameEnded() {
        if (drill.practiceHitAnim == 1) ++animatedFrames;
        lastFrameEnd = Clock::now().time_since_epoch().count();
    }

    bool waits_;
    Clock::duration period_;
    Clock::time_point origin_ = Clock::now();
};

class OneDevice final : public plat::CanvasGraphics {
public:
    explicit OneDevice(plat::CanvasDevice& device) : device_(device) {}
    plat::CanvasDevice* CreateDevice(plat::Window) override { return &device_; }

private:
    plat::CanvasDevice& device_;
};

// Counts the loop's 1 ms sleeps, passing every call on.
class SleepCounter final : public plat::Process {
public:
    explicit SleepCounter(plat::Process& real) : real_(real) {}
    std::atomic<int> shortSleeps{0};

    void CreateThread(void (*entry)()) override { real_.CreateThread(entry); }
    void Sleep(unsigned ms) override {
        if (ms == 1) ++shortSleeps;
        real_.Sleep(ms);
    }
    std::uint32_t GetTickCount() override { return real_.GetTickCount(); }
    unsigned GetCurrentDirectory(unsigned size, char* buffer) override {
        return real_.GetCurrentDirectory(size, buffer);
    }
    bool SetCurrentDirectory(const char* path) override { return real_.SetCurrentDirectory(path); }
    [[noreturn]] void Exit(int status) override {
        real_.Exit(status);
        std::abort();  // not reached: Exit ends the process
    }

private:
    plat::Process& real_;
};

// RenderThread on the headless backend with the device, from set-up to Esc.
class RenderLoop {
public:
    RenderLoop(bool deviceWaits, std::chrono::milliseconds period) : device(deviceWaits, period), graphics_(device) {
        plat::Services services = plat::Installed();
        services.canvas = &graphics_;
        services.process = &sleeps;
        plat::Install(services);
        ResetDrillStateForTest();
        plat::WindowClass parentClass;
        parentClass.className = "dialog stand-in";
        plat::RegisterClass(parentClass);
        MainDialog = plat::CreateWindow("dialog stand-in", "", 0, 0, 0, 600, 300, nullptr);
        table_.assign(1 + kSpareRecords, WordRecord{});
        std::strcpy(table_[0].word, "apple");
        drill.WordTable = table_.data();
        drill.wordCount = 1;
        thread_ = std::async(std::launch::async, [] { RenderThreadMain(); });
        EXPECT_TRUE(WaitFor([] { return Canvas.load() != nullptr; }));
    }
    ~RenderLoop() {
        if (Canvas.load()) plat::PostMessage(Canvas, plat::WM_KEYDOWN, plat::VK_ESCAPE, 0);
        EXPECT_EQ(thread_.wait_for(5s), std::future_status::ready);
        ResetDrillStateForTest();
    }
    // Waits for the next frame to end; the loop then decides how long to sleep.
    bool NextFrame() const {
        const int frames = device.Frames();
        return WaitFor([&] { return device.Frames() != frames; });
    }

    plat::HeadlessBackend backend;
    SleepCounter sleeps{backend.process};
    GridDevice device;

private:
    OneDevice graphics_;
    std::vector<WordRecord> table_;
    std::future<void> thread_;
};

// Runs RenderThread while the background colour changes every millisecond,
// so that frames keep being drawn; returns the 1 ms sleeps per frame.
double ShortSleepsPerDrawnFrame(bool deviceWaits) {
    RenderLoop loop(deviceWaits, 4ms);
    const auto end = std::chrono::steady_clock::now() + 300ms;
    for (int x = 0; std::chrono::steady_clock::now() < end; ++x) {
        drill.clearColour = static_cast<plat::Argb>(x);
        std::this_thread::sleep_for(1ms);
    }
    const int presents = loop.device.presents;
    EXPECT_GT(presents, 10);
    return presents > 0 ? static_cast<double>(loop.sleeps.shortSleeps) / presents : 0.0;
}

// A device that waits for the refresh already gives the processor away;
// the loop sleeps on its own only where nothing else paces it.
TEST(RenderThreadTest, SleepsBetweenFramesOnlyWhereTheDeviceDoesNotWaitForTheRefresh) {
    EXPECT_LT(ShortSleepsPerDrawnFrame(true), 0.1);
    EXPECT_GE(ShortSleepsPerDrawnFrame(false), 0.9);
}

std::chrono::milliseconds Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

// Nothing on a still canvas can change, so the loop sleeps through the
// refreshes; a change, or a click on the canvas, is shown at the next one.
TEST(RenderThreadTest, AStillCanvasSleepsThroughRefreshesUntilSomethingChanges) {
    RenderLoop loop(true, 10ms);
    drill.listLoaded = 1;
    std::this_thread::sleep_for(200ms);
    const int framesBefore = loop.device.Frames();
    std::this_thread::sleep_for(500ms);
    EXPECT_LE(loop.device.Frames() - framesBefore, 10) << "50 refreshes went by";

    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(loop.NextFrame());
        std::this_thread::sleep_for(5ms);  // well into the sleep, which would last 100 ms
        const int presents = loop.device.presents;
        const auto changed = std::chrono::steady_clock::now();
        drill.wordColour = 0xFF000000u + static_cast<plat::Argb>(round);
        ASSERT_TRUE(WaitFor([&] { return loop.device.presents != presents; }));
        EXPECT_LT(Since(changed), 45ms) << "round " << round;
    }

    ASSERT_TRUE(loop.NextFrame());
    std::this_thread::sleep_for(5ms);
    drill.resultPending = 1;
    const auto clicked = std::chrono::steady_clock::now();
    plat::PostMessage(Canvas, plat::WM_LBUTTONDOWN, 0, 0);
    ASSERT_TRUE(WaitFor([] { return drill.resultPending == 0; }));
    EXPECT_LT(Since(clicked), 45ms);
}

// While the word moves, frames follow the ticks, not the refreshes: the loop
// sleeps until the refresh after the next tick instead of being woken by it.
TEST(RenderThreadTest, WhileTheWordMovesTheLoopWakesOncePerTick) {
    RenderLoop loop(true, 10ms);
    drill.listLoaded = 1;
    std::this_thread::sleep_for(100ms);
    const int framesBefore = loop.device.Frames();
    const int presentsBefore = loop.device.presents;
    const int waitsBefore = loop.device.refreshWaits;
    // The ticker's part, at 27 ms.
    constexpr int kTicks = 40;
    const auto start = std::chrono::steady_clock::now();
    for (int tick = 1; tick <= kTicks; ++tick) {
        std::this_thread::sleep_until(start + tick * 27ms);
        drill.scrollX = drill.scrollX + 1;
        NoteTick(std::chrono::steady_clock::now(), true);
    }
    std::this_thread::sleep_for(30ms);
    const int frames = loop.device.Frames() - framesBefore;
    EXPECT_GE(loop.device.presents - presentsBefore, kTicks - 2) << "every step of the word is shown";
    EXPECT_LE(frames, kTicks * 3 / 2) << "about 108 refreshes went by";
    EXPECT_LE(loop.device.refreshWaits - waitsBefore, kTicks / 2) << "woken by the ticks";
}

// The hit animation makes a frame at every refresh, however long the loop
// slept before it: 42 frames, on 42 consecutive refreshes.
TEST(RenderThreadTest, TheHitAnimationRunsOnConsecutiveRefreshes) {
    constexpr auto kPeriod = 10ms;
    RenderLoop loop(true, kPeriod);
    drill.listLoaded = 1;
    std::this_thread::sleep_for(150ms);
    ASSERT_TRUE(loop.NextFrame());
    std::this_thread::sleep_for(5ms);
    const auto start = std::chrono::steady_clock::now();
    drill.paused = 1;
    drill.practiceHitAnim = 1;
    ASSERT_TRUE(WaitFor([] { return drill.practiceHitAnim == 0; }));
    const auto end = std::chrono::steady_clock::time_point(
        std::chrono::steady_clock::duration(loop.device.lastFrameEnd.load()));
    EXPECT_EQ(loop.device.animatedFrames, 41) << "the 42nd frame ends it";
    EXPECT_EQ(drill.paused, 0);
    EXPECT_GE(end - start, 40 * kPeriod) << "frames closer than a refresh";
    EXPECT_LT(end - start, 60 * kPeriod) << "refreshes skipped";
}

}  // namespace
}  // namespace kestran::testing

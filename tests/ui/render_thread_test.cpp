// RenderThread on the display-less backend: it makes the canvas window,
// keeps the drill going without any drawing device and ends on Esc.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

#include "drill/drill_state.h"
#include "platform/headless/headless_backend.h"
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

// A device whose Present takes a refresh, as a retrace-synchronised one
// does, or returns at once when it does not wait.
class PacedDevice final : public plat::CanvasDevice {
public:
    explicit PacedDevice(bool waits) : waits_(waits) {}
    std::atomic<int> presents{0};

    plat::DeviceStatus TestCooperativeLevel() override { return plat::DeviceStatus::Ok; }
    bool Reset() override { return true; }
    void Clear(plat::Argb) override {}
    void BeginScene() override {}
    void EndScene() override {}
    plat::CanvasFontObject* CreateFont(int, int, int, const char*) override {
        return reinterpret_cast<plat::CanvasFontObject*>(&tag_);
    }
    int DrawText(plat::CanvasFontObject*, const char*, int, const plat::Rect&, unsigned, plat::Argb) override {
        return 0;
    }
    plat::CanvasTextureObject* CreateTextureFromFile(const char*, int, int, plat::Argb) override { return nullptr; }
    void SpriteBegin() override {}
    void SpriteDraw(plat::CanvasTextureObject*, const plat::Rect&, float, float, plat::Argb) override {}
    void SpriteEnd() override {}
    plat::DeviceStatus Present() override {
        if (waits_) std::this_thread::sleep_for(4ms);
        ++presents;
        return plat::DeviceStatus::Ok;
    }
    void WaitForRefresh() override { std::this_thread::sleep_for(4ms); }
    bool PresentWaitsForRefresh() const override { return waits_; }

private:
    bool waits_;
    int tag_ = 0;
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

// Runs RenderThread on the device while the background colour changes every
// millisecond, so that frames keep being drawn; returns the 1 ms sleeps
// per presented frame.
double ShortSleepsPerDrawnFrame(bool presentWaits) {
    plat::HeadlessBackend backend;
    PacedDevice device(presentWaits);
    OneDevice graphics(device);
    SleepCounter counter(backend.process);
    plat::Services services = plat::Installed();
    services.canvas = &graphics;
    services.process = &counter;
    plat::Install(services);

    ResetDrillStateForTest();
    plat::WindowClass parentClass;
    parentClass.className = "dialog stand-in";
    plat::RegisterClass(parentClass);
    MainDialog = plat::CreateWindow("dialog stand-in", "", 0, 0, 0, 600, 300, nullptr);
    auto thread = std::async(std::launch::async, [] { RenderThreadMain(); });
    EXPECT_TRUE(WaitFor([] { return Canvas.load() != nullptr; }));
    const auto end = std::chrono::steady_clock::now() + 300ms;
    for (int x = 0; std::chrono::steady_clock::now() < end; ++x) {
        drill.clearColour = static_cast<plat::Argb>(x);
        std::this_thread::sleep_for(1ms);
    }
    if (Canvas.load()) plat::PostMessage(Canvas, plat::WM_KEYDOWN, plat::VK_ESCAPE, 0);
    EXPECT_EQ(thread.wait_for(5s), std::future_status::ready);
    const int presents = device.presents;
    EXPECT_GT(presents, 10);
    ResetDrillStateForTest();
    return presents > 0 ? static_cast<double>(counter.shortSleeps) / presents : 0.0;
}

// A present that waits for the refresh already gives the processor away;
// the loop sleeps on its own only where nothing else paces it.
TEST(RenderThreadTest, SleepsBeforeAFrameOnlyWhenThePresentDidNotWait) {
    EXPECT_LT(ShortSleepsPerDrawnFrame(true), 0.1);
    EXPECT_GE(ShortSleepsPerDrawnFrame(false), 0.9);
}

}  // namespace
}  // namespace kestran::testing

// RenderThread on the display-less backend: it makes the canvas window,
// keeps the drill going without any drawing device and ends on Esc.
#include <gtest/gtest.h>

#include <chrono>
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

}  // namespace
}  // namespace kestran::testing

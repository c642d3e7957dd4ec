// The Direct3D canvas device, read back from its back buffer: the checks
// every canvas device passes, then what is particular to this one.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "platform/win32/win32_direct3d_canvas.h"
#include "platform/win32/win32_canvas_image.h"
#include "platform/win32/win32_canvas_text.h"
#include "platform/win32/win32_imaging.h"
#include "tests/ui/canvas_device_checks.h"
#include "tests/win32/media_test_support.h"

namespace {

using namespace kestran::win32_testing;
using kestran::testing::FramePixels;
using kestran::testing::InkIn;
using kestran::testing::kBlackArgb;
using plat::win32::CanvasFrame;
using plat::win32::Direct3DCanvasDevice;


using Direct3DHarness = DeviceHarness<Direct3DCanvasDevice>;

}  // namespace

namespace kestran::testing {
INSTANTIATE_TYPED_TEST_SUITE_P(Direct3D, CanvasDeviceChecks, Direct3DHarness);
}  // namespace kestran::testing

namespace {

TEST(CanvasFontTest, CellHeightAndAverageWidthMatchTheRequest) {
    struct Case {
        std::wstring face;
        int height, width;
    };
    const Case cases[] = {{L"\u5FAE\u8F6F\u96C5\u9ED1", 21, 8}, {L"\u5FAE\u8F6F\u96C5\u9ED1", 18, 7}, {L"Georgia", 20, 8}};
    for (const Case& c : cases) {
        HFONT font = plat::win32::CreateCellFont(c.height, c.width, 0, c.face);
        ASSERT_NE(font, nullptr);
        HDC dc = ::CreateCompatibleDC(nullptr);
        HGDIOBJ previous = ::SelectObject(dc, font);
        TEXTMETRICW metrics{};
        ::GetTextMetricsW(dc, &metrics);
        SIZE lowercase{};
        ::GetTextExtentPoint32W(dc, L"abcdefghijklmnopqrstuvwxyz", 26, &lowercase);
        ::SelectObject(dc, previous);
        ::DeleteDC(dc);
        ::DeleteObject(font);
        EXPECT_NEAR(metrics.tmHeight, c.height, 1) << c.height;
        EXPECT_NEAR(lowercase.cx / 26.0, c.width, 0.6) << c.height;
    }
}

TEST(CanvasImageTest, BoxResizeAveragesTheCoveredAreaWithoutDarkFringes) {
    auto grey = [](int v) { return 0xFF000000u | (v << 16) | (v << 8) | v; };
    // 2x2 blocks of 0, 100, 200, 40 average to 85.
    const plat::win32::Pixels fourByTwo{4, 2, {grey(0), grey(100), grey(255), grey(255), grey(200), grey(40), grey(255), grey(255)}};
    const auto halved = plat::win32::BoxResize(fourByTwo, 2, 1);
    ASSERT_EQ(halved.argb.size(), 2u);
    EXPECT_EQ(halved.argb[0], grey(85));
    EXPECT_EQ(halved.argb[1], grey(255));
    // Three columns into two: each target takes one whole and one half column.
    const plat::win32::Pixels three{3, 1, {grey(30), grey(90), grey(150)}};
    const auto two = plat::win32::BoxResize(three, 2, 1);
    EXPECT_EQ(two.argb[0], grey(50));
    EXPECT_EQ(two.argb[1], grey(130));
    // Growing runs linearly between neighbours, the edges held (no blocks
    // of repeated pixels); the same size changes nothing; nothing gives nothing.
    const auto grown = plat::win32::BoxResize(three, 6, 2);
    const int ramp[] = {30, 45, 75, 105, 135, 150};
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(grown.argb[x], grey(ramp[x])) << x;
        EXPECT_EQ(grown.argb[6 + x], grey(ramp[x])) << x;
    }
    EXPECT_EQ(plat::win32::BoxResize(three, 3, 1).argb, three.argb);
    EXPECT_TRUE(plat::win32::BoxResize({}, 3, 1).Empty());
    EXPECT_TRUE(plat::win32::BoxResize(three, 0, 1).Empty());
    // Opaque red beside transparent: half-transparent full red, not dark red.
    const auto one = plat::win32::BoxResize({2, 1, {0xFFFF0000u, 0x00000000u}}, 1, 1);
    EXPECT_NEAR(static_cast<int>(one.argb[0] >> 24), 128, 1);
    EXPECT_EQ((one.argb[0] >> 16) & 0xFF, 255u);
}

TEST(CanvasImageTest, ColourKeyClearsOnlyExactlyMatchingPixels) {
    plat::win32::Pixels pixels{5, 1, {0xFF000000u, 0xFF010000u, 0x80000000u, 0x00000000u, 0xFFFFFFFFu}};
    const auto before = pixels.argb;
    plat::win32::ApplyColourKey(pixels, 0xFF000000u);
    EXPECT_EQ(pixels.argb[0], 0u);
    for (int x = 1; x < 5; ++x) EXPECT_EQ(pixels.argb[x], before[x]) << x;
}

TEST(CanvasImageTest, TexturePixelsAreKeyedThenBoxResized) {
    Direct3DHarness harness;  // GDI+ for the picture
    ScratchFolder folder;
    Direct3DHarness::WriteAnimStrip(2);
    const plat::win32::Pixels pixels = plat::win32::LoadTexturePixels(L"RES\\27.png", 228, 38, 0xFF000000u);
    ASSERT_EQ(pixels.width, 228);
    ASSERT_EQ(pixels.height, 38);
    for (int cell = 0; cell < 6; ++cell) {
        EXPECT_EQ(pixels.argb[20 * 228 + 38 * cell + 5], 0xFF000000u | kestran::testing::StripCellBlue(cell)) << cell;
        EXPECT_EQ(pixels.argb[20 * 228 + 38 * cell + 30] >> 24, 0u) << cell;
    }
    // Its own size when none is asked for; nothing for a file that is not there.
    EXPECT_EQ(plat::win32::LoadTexturePixels(L"RES\\27.png", 0, 0, 0xFF000000u).width, 456);
    EXPECT_TRUE(plat::win32::LoadTexturePixels(L"RES\\none.png", 228, 38, 0xFF000000u).Empty());
}

TEST(Direct3DCanvasTest, AResizedWindowMakesTheDeviceResetWithANewSize) {
    // A window and device of its own: the shared ones keep their size.
    Direct3DHarness harness;  // GDI+ for the picture
    ScratchFolder folder;
    CanvasWindow window;
    auto device = Direct3DCanvasDevice::Create(window.handle());
    ASSERT_NE(device, nullptr);
    device->KeepFrames(true);
    Direct3DHarness::WriteAnimStrip(1);
    plat::CanvasTextureObject* texture = device->CreateTextureFromFile("RES\\27.png", 228, 38, 0xFF000000u);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(device->TestCooperativeLevel(), plat::DeviceStatus::Ok);

    RECT outer{0, 0, 500, 80};
    ::AdjustWindowRect(&outer, WS_POPUP, FALSE);
    ::SetWindowPos(window.handle(), nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                   SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(device->TestCooperativeLevel(), plat::DeviceStatus::NotReset);
    ASSERT_TRUE(device->Reset());
    EXPECT_EQ(device->TestCooperativeLevel(), plat::DeviceStatus::Ok);
    // Text still draws after the reset, into a frame of the new size.
    plat::CanvasFontObject* font = device->CreateFont(21, 8, 0, "Georgia");
    device->Clear(kBlackArgb);
    device->BeginScene();
    device->DrawText(font, "HHHH", -1, {0, 0, 480, 75}, plat::DT_SINGLELINE, 0xFFFFFFFFu);
    device->EndScene();
    EXPECT_EQ(device->Present(), plat::DeviceStatus::Ok);
    const FramePixels frame = ToPixels(device->LastFrame());
    EXPECT_EQ(frame.width, 500);
    EXPECT_EQ(frame.height, 80);
    EXPECT_GT(InkIn(frame, {0, 0, 500, 80}, kBlackArgb).count, 20);
}

using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::seconds;

// A 60 Hz pacer whose tolerance is a quarter period, asked from a start time.
class FramePacingTest : public ::testing::Test {
protected:
    using PacingClock = plat::win32::PacingClock;
    const PacingClock::duration period =
        std::chrono::duration_cast<PacingClock::duration>(microseconds(16667));
    plat::win32::PresentPacer pacer{period, period / 4};
    const PacingClock::time_point start{seconds(100)};
};

TEST_F(FramePacingTest, FramesTheDeviceRushesWaitForTheRefreshButPacedOnesDoNot) {
    EXPECT_EQ(pacer.After(start), start);  // the first frame has nothing to keep apart from
    // Returned after 3 ms: wait for the rest of the period.
    EXPECT_EQ(pacer.After(start + milliseconds(3)), start + period);
    // The next one counts from the end of that wait, not from its own start.
    EXPECT_EQ(pacer.After(start + period + milliseconds(5)), start + 2 * period);
    // A device that waited for the retrace itself (within the tolerance) is left alone.
    const auto paced = start + 3 * period - microseconds(500);
    EXPECT_EQ(pacer.After(paced), paced);
    // A little late: the next wait is shorter, so the average stays a period.
    const auto late = start + 4 * period + milliseconds(5);
    EXPECT_EQ(pacer.After(late), late);
    EXPECT_EQ(pacer.After(late + milliseconds(1)), start + 5 * period);
    // After a stall, or refreshes the loop slept through: the next refresh
    // on the grid, not at once, and no frames rushed to catch up.
    const auto stalled = start + 5 * period + seconds(1) + milliseconds(2);
    const auto next = start + 66 * period;  // the first grid point after it
    EXPECT_EQ(pacer.After(stalled), next);
    EXPECT_EQ(pacer.After(next + milliseconds(1)), next + period);
}

TEST_F(FramePacingTest, AnUnchangedFrameWaitsForTheNextRefreshOnTheSameGrid) {
    EXPECT_EQ(pacer.After(start), start);
    // Asked at once or late in the period: the end of the period, never now.
    EXPECT_EQ(pacer.NextRefresh(start), start + period);
    EXPECT_EQ(pacer.NextRefresh(start + period + milliseconds(15)), start + 2 * period);
    // Several periods late: the next grid point after now, none made up.
    EXPECT_EQ(pacer.NextRefresh(start + 5 * period + milliseconds(1)), start + 6 * period);
    // A presented frame after it stays on that grid.
    EXPECT_EQ(pacer.After(start + 6 * period + milliseconds(2)), start + 7 * period);
}

TEST_F(FramePacingTest, ARefreshAfterAMomentLiesOnTheGridWithoutMovingIt) {
    const auto grid = pacer.NextRefresh(start);  // start + period
    EXPECT_EQ(pacer.RefreshAfter(grid + milliseconds(100)), grid + 6 * period);
    EXPECT_EQ(pacer.RefreshAfter(grid), grid + period) << "strictly after";
    EXPECT_EQ(pacer.RefreshAfter(grid - milliseconds(1)), grid);
    EXPECT_EQ(pacer.RefreshAfter(grid - period - milliseconds(1)), grid - period);
    EXPECT_EQ(pacer.NextRefresh(grid + milliseconds(1)), grid + period) << "asking moved nothing";
}

TEST(FrameSleepTest, AWaitForARefreshNeverEndsBeforeIt) {
    // Under a millisecond, between whole ones, and a refresh period: the
    // thread library's own sleep ends early for each.
    for (const auto wait : {microseconds(200), microseconds(1500), microseconds(16667)}) {
        for (int i = 0; i < 5; ++i) {
            const auto moment = plat::win32::PacingClock::now() + wait;
            plat::win32::SleepUntil(moment);
            ASSERT_GE(plat::win32::PacingClock::now(), moment) << wait.count() << " us";
        }
    }
}

TEST(Direct3DCanvasTest, AnAnimationOf42FramesLastsAtLeast42Refreshes) {
    Direct3DHarness harness;
    auto* device = static_cast<Direct3DCanvasDevice*>(&harness.Device());
    device->KeepFrames(false);
    device->Present();
    device->WaitForRefresh();  // the refreshes are counted from here
    const auto start = std::chrono::steady_clock::now();
    for (int frame = 0; frame < 42; ++frame) {
        device->Clear(kBlackArgb);
        device->Present();
        device->WaitForRefresh();
    }
    device->KeepFrames(true);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("42 frames in %.3f s at %.1f Hz\n", seconds, device->RefreshHz());
    // A lower bound only: a slow machine may take longer, never shorter.
    EXPECT_GE(seconds, 41.0 / device->RefreshHz());
}

}  // namespace

// The sprite strip's file replaced by a FIFO: the canvas gets no texture and
// goes on drawing, instead of its thread waiting on the FIFO for ever.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/qt/qt_canvas.h"
#include "tests/support/fifo_asset.h"
#include "tests/ui/temp_res_dir.h"

namespace kestran::testing {
namespace {

using namespace std::chrono_literals;

TEST(CanvasTextureFromFifo, CountsAsMissingAndFramesStillShow) {
    TempResDir dir;
    ASSERT_TRUE(test_support::MakeFifo(dir.Res("27.png")));
    plat::qt::QtCanvasDevice device(QSize(480, 75));
    plat::CanvasTextureObject* texture = reinterpret_cast<plat::CanvasTextureObject*>(1);
    ASSERT_TRUE(test_support::EndsWithin(2s, dir.Res("27.png"), [&] {
        texture = device.CreateTextureFromFile("RES\\27.png", 228, 38, 0xFF000000u);
    }));
    EXPECT_EQ(texture, nullptr);

    device.Clear(0xFF0000FFu);
    device.BeginScene();
    device.SpriteBegin();
    device.SpriteDraw(texture, plat::Rect{0, 0, 38, 38}, 10, 10, 0xFFFFFFFFu);
    device.SpriteEnd();
    device.EndScene();
    ASSERT_EQ(device.Present(), plat::DeviceStatus::Ok);
    EXPECT_EQ(device.LastFrame().pixel(20, 20), qRgb(0, 0, 255));
}

}  // namespace
}  // namespace kestran::testing

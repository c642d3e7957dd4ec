// The canvas on a screen with more device pixels than logical ones: the
// same layout, drawn with every device pixel instead of enlarged; and the
// part of a frame that changed, which is all the window repaints.
#include <gtest/gtest.h>

#include "platform/qt/qt_canvas.h"
#include "platform/qt/qt_frame_diff.h"
#include "tests/ui/canvas_pixels.h"
#include "tests/ui/temp_res_dir.h"
#include "ui/canvas_layout.h"

namespace kestran::testing {
namespace {

using plat::qt::QtCanvasDevice;

const char kApple[] = "apple \xC6\xBB\xB9\xFB";  // apple 苹果
constexpr plat::Rect kTextBox{40, 16, 480, 75};

QImage TextAt(double ratio) {
    QtCanvasDevice device(QSize(480, 75), 0, ratio);
    plat::CanvasFontObject* font = device.CreateFont(21, 8, 0, "\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA");
    device.Clear(0xFF000000u);
    device.BeginScene();
    device.DrawText(font, kApple, -1, kTextBox, canvas::kLeftTop, 0xFFFFFFFFu);
    device.EndScene();
    EXPECT_EQ(device.Present(), plat::DeviceStatus::Ok);
    return device.LastFrame();
}

// Aligned 2x2 blocks of the area whose four pixels are not all alike: an
// image enlarged from half its size has none.
int UnevenBlocks(const QImage& image, const QRect& area) {
    int uneven = 0;
    for (int y = area.top() & ~1; y + 1 <= area.bottom(); y += 2)
        for (int x = area.left() & ~1; x + 1 <= area.right(); x += 2) {
            const QRgb p = image.pixel(x, y);
            if (image.pixel(x + 1, y) != p || image.pixel(x, y + 1) != p || image.pixel(x + 1, y + 1) != p) ++uneven;
        }
    return uneven;
}

TEST(CanvasPixelRatioTest, TextIsDrawnWithEveryDevicePixelInTheSameLayout) {
    const QImage plain = TextAt(1.0);
    const Ink plainInk = InkOn(plain, Whole(plain), 0xFF000000u);
    ASSERT_GT(plainInk.count, 50);

    for (double ratio : {2.0, 1.5}) {
        SCOPED_TRACE(ratio);
        const QImage sharp = TextAt(ratio);
        EXPECT_EQ(sharp.size(), QSize(480, 75) * ratio);
        EXPECT_EQ(sharp.devicePixelRatio(), ratio);
        const Ink ink = InkOn(sharp, Whole(sharp), 0xFF000000u);
        // The same place in logical pixels, within a pixel or two.
        const QRectF logical(QPointF(ink.bounds.topLeft()) / ratio, QSizeF(ink.bounds.size()) / ratio);
        EXPECT_NEAR(logical.left(), plainInk.bounds.left(), 2);
        EXPECT_NEAR(logical.top(), plainInk.bounds.top(), 2);
        EXPECT_NEAR(logical.right(), plainInk.bounds.right() + 1, 3);
        EXPECT_NEAR(logical.bottom(), plainInk.bounds.bottom() + 1, 3);
        // More ink pixels, not the same ones made bigger.
        EXPECT_GT(ink.count, plainInk.count * ratio * ratio * 0.6);
    }
    const QImage doubled = TextAt(2.0);
    const Ink ink = InkOn(doubled, Whole(doubled), 0xFF000000u);
    const QImage enlarged = plain.scaled(plain.size() * 2);
    EXPECT_EQ(UnevenBlocks(enlarged, ink.bounds), 0) << "the check sees enlargement";
    EXPECT_GT(UnevenBlocks(doubled, ink.bounds), 40) << "edges drawn at device resolution";
}

TEST(CanvasPixelRatioTest, SpriteCellCoversItsLogicalPlaceInDevicePixels) {
    TempResDir dir;
    ASSERT_TRUE(TestAnimStrip(2).save(QString::fromStdString(dir.Res("27.png").string())));
    QtCanvasDevice device(QSize(480, 75), 0, 2.0);
    plat::CanvasTextureObject* strip = device.CreateTextureFromFile("RES\\27.png", 228, 38, 0xFF000000u);
    ASSERT_NE(strip, nullptr);
    device.Clear(0xFF000000u);
    device.BeginScene();
    device.SpriteBegin();
    device.SpriteDraw(strip, canvas::animCells[1], 50.0f, 20.0f, canvas::kUntinted);
    device.SpriteEnd();
    device.EndScene();
    ASSERT_EQ(device.Present(), plat::DeviceStatus::Ok);
    const QImage frame = device.LastFrame();
    // The blue half of cell 1: logical 50..68 x 20..57, device 100..137 x 40..115.
    const Ink blue = InkWhere(frame, Whole(frame), [](QRgb p) { return qBlue(p) > 40; });
    EXPECT_EQ(blue.bounds, QRect(100, 40, 38, 76));
    EXPECT_EQ(InkOn(frame, QRect(100, 40, 38, 76), qRgb(0, 0, CellBlue(1))).count, 0);
}

TEST(ChangedAreaTest, OnlyThePartThatDiffersIsRepainted) {
    QImage shown(960, 150, QImage::Format_RGB32);
    shown.setDevicePixelRatio(2.0);
    shown.fill(0xFF0000FFu);
    QImage next = shown.copy();
    next.setDevicePixelRatio(2.0);
    EXPECT_TRUE(plat::qt::ChangedArea(shown, next).isEmpty()) << "alike: nothing to repaint";

    next.setPixel(101, 41, 0xFFFFFF00u);
    next.setPixel(300, 60, 0xFFFFFF00u);
    EXPECT_EQ(plat::qt::ChangedArea(shown, next), QRect(50, 20, 101, 11)) << "logical, rounded outwards";

    EXPECT_EQ(plat::qt::ChangedArea(QImage(), next), QRect(0, 0, 480, 75)) << "nothing shown yet";
    QImage other = shown.copy(0, 0, 480, 75);
    other.setDevicePixelRatio(1.0);
    EXPECT_EQ(plat::qt::ChangedArea(other, next), QRect(0, 0, 480, 75)) << "another size";
}

}  // namespace
}  // namespace kestran::testing

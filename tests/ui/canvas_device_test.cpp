// The Qt canvas device, read back by pixel from offscreen frames: the checks
// every canvas device passes, then what is particular to this one.
#include <gtest/gtest.h>

#include <QFontMetricsF>

#include <cmath>
#include <string>

#include "platform/qt/qt_canvas.h"
#include "platform/qt/qt_canvas_font.h"
#include "platform/qt/qt_canvas_image.h"
#include "platform/qt/qt_frame_pacing.h"
#include "tests/ui/canvas_device_checks.h"
#include "tests/ui/temp_res_dir.h"

namespace kestran::testing {
namespace {

using plat::qt::QtCanvasDevice;
constexpr QRgb kBlack = 0xFF000000u;

// The checks every canvas device passes, on an offscreen Qt device.
struct QtHarness {
    plat::CanvasDevice& Device() { return device; }
    plat::CanvasDevice& OtherDevice() { return other; }
    FramePixels LastFrame(plat::CanvasDevice& shown) {
        const QImage frame = static_cast<QtCanvasDevice&>(shown).LastFrame();
        FramePixels pixels{frame.width(), frame.height(), {}};
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x) pixels.rgb.push_back(frame.pixel(x, y) & 0x00FFFFFFu);
        return pixels;
    }
    using Scratch = TempResDir;
    static void WriteAnimStrip(int scale) {
        std::vector<std::uint32_t> argb = AnimStripArgb(scale);
        const QImage strip(reinterpret_cast<const uchar*>(argb.data()), 228 * scale, 38 * scale, QImage::Format_ARGB32);
        ASSERT_TRUE(strip.save("RES/27.png"));
    }
    QtCanvasDevice device{QSize(480, 75)}, other{QSize(480, 75)};
};
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, CanvasDeviceChecks, QtHarness);

// One frame: clear to black, run draw, present, return what was shown.
template <class Draw>
QImage Frame(QtCanvasDevice& device, Draw draw) {
    device.Clear(kBlack);
    device.BeginScene();
    draw();
    device.EndScene();
    EXPECT_EQ(device.Present(), plat::DeviceStatus::Ok);
    return device.LastFrame();
}

TEST(CanvasFontTest, CellHeightAndAverageWidthMatchTheRequest) {
    struct Case {
        QString face;
        int height, width;
    };
    const Case cases[] = {{QStringLiteral("微软雅黑"), 21, 8},
                          {QStringLiteral("微软雅黑"), 18, 7},
                          {QStringLiteral("Georgia"), 20, 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.face.toStdString() + " " + std::to_string(c.height));
        const QStringList candidates = plat::qt::CandidateFamilies(c.face);
        const QFont font = plat::qt::MakeCellFont(plat::qt::InstalledFamily(candidates), candidates, c.height,
                                                  c.width, 0);
        const QFontMetricsF metrics(font);
        EXPECT_NEAR(metrics.ascent() + metrics.descent(), c.height, 1.0);
        const QString lowercase = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
        EXPECT_NEAR(metrics.horizontalAdvance(lowercase) / 26, c.width, 0.5);
    }
}

TEST(CanvasFontTest, StandInsFollowTheRequestedFace) {
    const QStringList yahei = plat::qt::CandidateFamilies(QStringLiteral("微软雅黑"));
    ASSERT_GE(yahei.size(), 3);
    EXPECT_EQ(yahei.front(), QStringLiteral("微软雅黑"));
    EXPECT_TRUE(yahei.contains(QStringLiteral("Noto Sans CJK SC")));
    const QStringList georgia = plat::qt::CandidateFamilies(QStringLiteral("Georgia"));
    EXPECT_EQ(georgia.front(), QStringLiteral("Georgia"));
    EXPECT_TRUE(georgia.contains(QStringLiteral("DejaVu Serif")));
    EXPECT_EQ(plat::qt::CandidateFamilies(QStringLiteral("Other")), QStringList{QStringLiteral("Other")});

    EXPECT_EQ(plat::qt::InstalledFamily({QStringLiteral("No Such Face"), QStringLiteral("DejaVu Serif")}),
              QStringLiteral("DejaVu Serif"));
    EXPECT_TRUE(plat::qt::InstalledFamily({QStringLiteral("No Such Face")}).isEmpty());
}

QImage Filled(QSize size, const std::function<QRgb(int, int)>& pixel) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) image.setPixel(x, y, pixel(x, y));
    return image;
}

TEST(CanvasImageTest, BoxResizeAveragesTheCoveredArea) {
    // 2x2 blocks of 0, 100, 200, 40 in each channel average to 85.
    const QImage fourByTwo = Filled(QSize(4, 2), [](int x, int y) {
        const int v[2][4] = {{0, 100, 255, 255}, {200, 40, 255, 255}};
        return qRgba(v[y][x], v[y][x], v[y][x], 255);
    });
    const QImage halved = plat::qt::BoxResize(fourByTwo, QSize(2, 1));
    ASSERT_EQ(halved.size(), QSize(2, 1));
    EXPECT_EQ(halved.pixel(0, 0), qRgba(85, 85, 85, 255));
    EXPECT_EQ(halved.pixel(1, 0), qRgba(255, 255, 255, 255));

    // Three columns into two: each target takes one whole and one half column.
    const QImage three = Filled(QSize(3, 1), [](int x, int) {
        const int v[3] = {30, 90, 150};
        return qRgba(v[x], v[x], v[x], 255);
    });
    const QImage two = plat::qt::BoxResize(three, QSize(2, 1));
    EXPECT_EQ(qRed(two.pixel(0, 0)), 50);   // (30 + 90/2) / 1.5
    EXPECT_EQ(qRed(two.pixel(1, 0)), 130);  // (90/2 + 150) / 1.5

    // Growing repeats pixels; the same size returns the picture unchanged.
    const QImage grown = plat::qt::BoxResize(three, QSize(6, 2));
    EXPECT_EQ(qRed(grown.pixel(0, 1)), 30);
    EXPECT_EQ(qRed(grown.pixel(3, 0)), 90);
    EXPECT_EQ(qRed(grown.pixel(5, 1)), 150);
    EXPECT_EQ(plat::qt::BoxResize(three, QSize(3, 1)), three);
    EXPECT_TRUE(plat::qt::BoxResize(QImage(), QSize(3, 1)).isNull());
    EXPECT_TRUE(plat::qt::BoxResize(three, QSize(0, 1)).isNull());
}

TEST(CanvasImageTest, BoxResizeBlendsTransparencyWithoutDarkFringes) {
    // Opaque red beside fully transparent: the mean is half-transparent red,
    // not half-transparent dark red.
    const QImage pair = Filled(QSize(2, 1), [](int x, int) { return x == 0 ? qRgba(255, 0, 0, 255) : 0u; });
    const QImage one = plat::qt::BoxResize(pair, QSize(1, 1)).convertToFormat(QImage::Format_ARGB32);
    EXPECT_NEAR(qAlpha(one.pixel(0, 0)), 128, 1);
    EXPECT_NEAR(qRed(one.pixel(0, 0)), 255, 2);
}

TEST(CanvasImageTest, ColourKeyClearsOnlyExactlyMatchingPixels) {
    QImage image(5, 1, QImage::Format_ARGB32);
    const QRgb pixels[5] = {0xFF000000u, 0xFF010000u, 0x80000000u, 0x00000000u, 0xFFFFFFFFu};
    for (int x = 0; x < 5; ++x) image.setPixel(x, 0, pixels[x]);
    const QImage keyed = plat::qt::ApplyColourKey(image, 0xFF000000u);
    EXPECT_EQ(keyed.pixel(0, 0), 0u);
    for (int x = 1; x < 5; ++x) EXPECT_EQ(keyed.pixel(x, 0), pixels[x]) << x;
}

TEST(CanvasDeviceTest, TextureFromFileIsKeyedAndBoxResized) {
    TempResDir dir;
    ASSERT_TRUE(TestAnimStrip(2).save(QString::fromStdString(dir.Res("27.png").string())));
    QtCanvasDevice device(QSize(480, 75));
    plat::CanvasTextureObject* texture = device.CreateTextureFromFile("RES\\27.png", 228, 38, 0xFF000000u);
    ASSERT_NE(texture, nullptr);
    ASSERT_EQ(texture->image.size(), QSize(228, 38));
    for (int cell = 0; cell < 6; ++cell) {
        EXPECT_EQ(texture->image.pixel(38 * cell + 5, 20), qRgba(0, 0, CellBlue(cell), 255)) << cell;
        EXPECT_EQ(qAlpha(texture->image.pixel(38 * cell + 30, 20)), 0) << cell;
    }
    EXPECT_EQ(device.CreateTextureFromFile("RES\\missing.png", 228, 38, 0xFF000000u), nullptr);
    EXPECT_EQ(device.CreateTextureFromFile(nullptr, 228, 38, 0xFF000000u), nullptr);
}

// A half-transparent texel blends with what lies beneath.
TEST(CanvasDeviceTest, TranslucentTexelsBlendWithTheFrame) {
    QtCanvasDevice device(QSize(480, 75));
    QImage half(38, 38, QImage::Format_ARGB32_Premultiplied);
    half.fill(qRgba(128, 0, 0, 128));
    plat::CanvasTextureObject translucent{half};
    const QImage blended = Frame(device, [&] {
        device.Clear(0xFF0000FFu);
        device.SpriteBegin();
        device.SpriteDraw(&translucent, {0, 0, 38, 38}, 0.0f, 0.0f, 0xFFFFFFFFu);
        device.SpriteEnd();
    });
    EXPECT_NEAR(qRed(blended.pixel(10, 10)), 128, 1);
    EXPECT_NEAR(qBlue(blended.pixel(10, 10)), 127, 1);
}

TEST(CanvasDeviceTest, ResizedOrRefusedSurfaceIsLostUntilReset) {
    TempResDir dir;
    ASSERT_TRUE(TestAnimStrip().save(QString::fromStdString(dir.Res("27.png").string())));
    QtCanvasDevice device(QSize(480, 75));
    plat::CanvasTextureObject* texture = device.CreateTextureFromFile("RES\\27.png", 228, 38, 0xFF000000u);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(device.TestCooperativeLevel(), plat::DeviceStatus::Ok);

    device.SetOffscreenClientSize(QSize(500, 80));
    EXPECT_EQ(device.TestCooperativeLevel(), plat::DeviceStatus::Lost);
    ASSERT_TRUE(device.Reset());
    EXPECT_EQ(device.TestCooperativeLevel(), plat::DeviceStatus::Ok);
    EXPECT_EQ(Frame(device, [] {}).size(), QSize(500, 80));

    device.SetOffscreenPresentFails(true);
    const QImage shownBefore = device.LastFrame();
    device.Clear(0xFFFFFFFFu);
    EXPECT_EQ(device.Present(), plat::DeviceStatus::Lost);
    EXPECT_EQ(device.LastFrame(), shownBefore);
    EXPECT_EQ(device.TestCooperativeLevel(), plat::DeviceStatus::Lost);
    device.SetOffscreenPresentFails(false);
    ASSERT_TRUE(device.Reset());
    EXPECT_EQ(device.TestCooperativeLevel(), plat::DeviceStatus::Ok);

    device.SetOffscreenClientSize(QSize(0, 0));  // nothing to draw on: cannot reset yet
    EXPECT_FALSE(device.Reset());
    EXPECT_EQ(device.TestCooperativeLevel(), plat::DeviceStatus::Lost);
}

TEST(FramePacingTest, NextBoundaryIsTheFirstGridPointAfterNow) {
    using namespace std::chrono;
    const plat::qt::PacingClock::time_point origin{seconds(100)};
    const auto period = duration_cast<plat::qt::PacingClock::duration>(microseconds(16667));
    struct Case {
        microseconds sinceOrigin;
        long long expectedPeriods;
    };
    const Case cases[] = {{microseconds(0), 1}, {microseconds(1), 1}, {microseconds(16666), 1},
                          {microseconds(16667), 2}, {microseconds(40000), 3}, {microseconds(700000), 42}};
    for (const Case& c : cases)
        EXPECT_EQ(plat::qt::NextRefreshBoundary(origin, period, origin + c.sinceOrigin), origin + c.expectedPeriods * period)
            << c.sinceOrigin.count();
    EXPECT_EQ(plat::qt::NextRefreshBoundary(origin, period, origin - seconds(1)), origin);
    EXPECT_EQ(plat::qt::NextRefreshBoundary(origin, {}, origin + seconds(1)), origin + seconds(1));
}

}  // namespace
}  // namespace kestran::testing

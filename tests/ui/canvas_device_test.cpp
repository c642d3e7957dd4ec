// The Qt canvas device, read back by pixel from offscreen frames.
#include <gtest/gtest.h>

#include <QFontMetricsF>

#include <cmath>
#include <string>

#include "drill/texts.h"
#include "platform/qt/qt_canvas.h"
#include "platform/qt/qt_canvas_font.h"
#include "platform/qt/qt_canvas_image.h"
#include "platform/qt/qt_frame_pacing.h"
#include "tests/ui/canvas_pixels.h"
#include "tests/ui/temp_res_dir.h"

namespace kestran::testing {
namespace {

using plat::qt::QtCanvasDevice;
constexpr QRgb kBlack = 0xFF000000u;

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

QImage TextFrame(const char* text, const plat::Rect& rect, unsigned format, plat::Argb colour = 0xFFFFFFFFu,
                 const char* face = texts::kWordFontFace) {
    QtCanvasDevice device(QSize(480, 75));
    plat::CanvasFontObject* font = device.CreateFont(21, 8, 0, face);
    EXPECT_NE(font, nullptr);
    return Frame(device, [&] { device.DrawText(font, text, -1, rect, format, colour); });
}

TEST(CanvasDeviceTest, ClearFillsTheFrameWithTheColourLessItsAlpha) {
    for (plat::Argb colour : {0xFF0000FFu, 0xFF000000u, 0xFFFFFF00u, 0x000000FFu, 0x80123456u}) {
        QtCanvasDevice device(QSize(480, 75));
        const QImage frame = Frame(device, [&] { device.Clear(colour); });
        ASSERT_EQ(frame.size(), QSize(480, 75));
        const QRgb expected = colour | 0xFF000000u;
        EXPECT_EQ(InkOn(frame, Whole(frame), expected).count, 0) << std::hex << colour;
        EXPECT_EQ(frame.pixel(0, 0) | 0xFF000000u, expected);
    }
}

TEST(CanvasDeviceTest, TextFormatsPlaceTheTextInItsRectangle) {
    const plat::Rect box{100, 10, 300, 70};
    struct Case {
        const char* name;
        unsigned format;
        int left, right;    // where the ink's horizontal extent must lie
        int minTop, maxTop; // where its top must lie
        bool centredX, centredY;
    };
    const Case cases[] = {
        {"left top", plat::DT_SINGLELINE, 100, 200, 10, 22, false, false},
        {"right top", plat::DT_SINGLELINE | plat::DT_RIGHT, 200, 300, 10, 22, false, false},
        {"centred", plat::DT_CENTER | plat::DT_VCENTER, 100, 300, 22, 40, true, true},
        {"centred top", plat::DT_CENTER, 100, 300, 10, 22, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage frame = TextFrame("HHHH", box, c.format);
        const Ink ink = InkOn(frame, Whole(frame), kBlack);
        ASSERT_GT(ink.count, 20);
        EXPECT_GE(ink.bounds.left(), c.left);
        EXPECT_LE(ink.bounds.right(), c.right);
        EXPECT_GE(ink.bounds.top(), c.minTop);
        EXPECT_LE(ink.bounds.top(), c.maxTop);
        if (c.centredX) {
            EXPECT_NEAR(ink.bounds.center().x(), 200, 3);
        }
        if (c.centredY) {
            EXPECT_NEAR(ink.bounds.center().y(), 40, 3);
        }
        if (c.format == plat::DT_SINGLELINE) {
            EXPECT_LE(ink.bounds.left(), 104);
        }
        if (c.format & plat::DT_RIGHT) {
            EXPECT_GE(ink.bounds.right(), 294);
        }
    }
}

TEST(CanvasDeviceTest, TextIsClippedToItsRectangle) {
    const plat::Rect box{100, 10, 140, 30};
    for (unsigned format : {plat::DT_SINGLELINE, plat::DT_SINGLELINE | plat::DT_RIGHT,
                            plat::DT_CENTER | plat::DT_VCENTER, plat::DT_CENTER}) {
        const QImage frame = TextFrame("WWWWWWWWWWWWWWWWWWWW", box, format);
        const Ink ink = InkOn(frame, Whole(frame), kBlack);
        EXPECT_GT(ink.count, 20) << format;
        EXPECT_TRUE(ToQRect(box).contains(ink.bounds)) << format;
    }
}

// Laid-out text is kept between frames; what a frame shows must not depend
// on what earlier frames drew.
TEST(CanvasDeviceTest, TextLooksTheSameWhateverWasDrawnBefore) {
    struct Draw {
        plat::Rect rect;
        plat::Argb clear;
    };
    struct Case {
        const char* name;
        unsigned format;
        Draw before, now;
    };
    const Case cases[] = {
        {"left, narrow then wide", plat::DT_SINGLELINE, {{100, 10, 112, 70}, kBlack}, {{100, 10, 400, 70}, kBlack}},
        {"left, wide then narrow", plat::DT_SINGLELINE, {{100, 10, 400, 70}, kBlack}, {{100, 10, 112, 70}, kBlack}},
        {"left, moved", plat::DT_SINGLELINE, {{-19, 16, 500, 82}, kBlack}, {{470, 16, 500, 82}, kBlack}},
        {"right, other width", plat::DT_SINGLELINE | plat::DT_RIGHT, {{0, 56, 470, 125}, kBlack}, {{0, 56, 300, 125}, kBlack}},
        {"centred, other size", plat::DT_CENTER | plat::DT_VCENTER, {{0, 0, 480, 75}, kBlack}, {{100, 0, 300, 40}, kBlack}},
        {"centred top, other width", plat::DT_CENTER, {{0, 59, 480, 160}, kBlack}, {{0, 59, 200, 160}, kBlack}},
        {"other background", plat::DT_SINGLELINE, {{10, 10, 400, 70}, kBlack}, {{10, 10, 400, 70}, 0xFF0000FFu}},
    };
    auto draw = [](QtCanvasDevice& device, plat::CanvasFontObject* font, unsigned format, const Draw& d) {
        return Frame(device, [&] {
            device.Clear(d.clear);
            device.DrawText(font, "Wavy jH", -1, d.rect, format, 0xC0FFFFFFu);
        });
    };
    for (const Case& c : cases) {
        QtCanvasDevice reused(QSize(480, 75)), fresh(QSize(480, 75));
        plat::CanvasFontObject* reusedFont = reused.CreateFont(21, 8, 0, "Georgia");
        plat::CanvasFontObject* freshFont = fresh.CreateFont(21, 8, 0, "Georgia");
        draw(reused, reusedFont, c.format, c.before);
        const QImage expected = draw(fresh, freshFont, c.format, c.now);
        EXPECT_GT(InkOn(expected, Whole(expected), c.now.clear).count, 0) << c.name;
        EXPECT_EQ(draw(reused, reusedFont, c.format, c.now), expected) << c.name;
    }
}

TEST(CanvasDeviceTest, TextWithoutSingleLineBreaksOnlyAtLineBreaks) {
    const plat::Rect box{0, 0, 480, 75};
    const Ink oneLong = InkOn(TextFrame("HH HH HH HH HH HH HH HH HH HH HH HH HH", box, plat::DT_CENTER),
                              QRect(0, 0, 480, 75), kBlack);
    const Ink twoLines = InkOn(TextFrame("HH\nHH", box, plat::DT_CENTER), QRect(0, 0, 480, 75), kBlack);
    const Ink joined = InkOn(TextFrame("HH\nHH", box, plat::DT_SINGLELINE), QRect(0, 0, 480, 75), kBlack);
    EXPECT_LT(oneLong.bounds.height(), 21);  // no wrapping of a long line
    EXPECT_GT(twoLines.bounds.height(), 30); // a line break starts a second line
    EXPECT_LT(joined.bounds.height(), 21);
}

TEST(CanvasDeviceTest, TextColourKeepsItsAlpha) {
    const plat::Rect box{0, 0, 480, 75};
    auto brightest = [](const QImage& frame) {
        int most = 0;
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x) most = std::max(most, qGreen(frame.pixel(x, y)));
        return most;
    };
    EXPECT_EQ(brightest(TextFrame("HHHH", box, plat::DT_SINGLELINE, 0xFFFFFFFFu)), 255);
    EXPECT_NEAR(brightest(TextFrame("HHHH", box, plat::DT_SINGLELINE, 0x80FFFFFFu)), 128, 2);
    EXPECT_EQ(brightest(TextFrame("HHHH", box, plat::DT_SINGLELINE, 0x00FFFFFFu)), 0);
}

TEST(CanvasDeviceTest, ChineseTextRendersAsDistinctGlyphs) {
    const plat::Rect box{0, 0, 480, 75};
    // 顺, 随, 效: different characters must leave different ink; boxes for
    // missing glyphs would all look alike.
    const char* characters[] = {"\xCB\xB3", "\xCB\xE6", "\xD0\xA7"};
    QImage frames[3];
    for (int i = 0; i < 3; ++i) {
        frames[i] = TextFrame(characters[i], box, plat::DT_SINGLELINE);
        EXPECT_GT(InkOn(frames[i], Whole(frames[i]), kBlack).count, 30) << i;
    }
    EXPECT_NE(frames[0], frames[1]);
    EXPECT_NE(frames[1], frames[2]);
    EXPECT_NE(frames[0], frames[2]);
}

TEST(CanvasDeviceTest, UnknownFaceFallsBackToAFontThatDraws) {
    const QImage frame = TextFrame("HHHH", {0, 0, 480, 75}, plat::DT_SINGLELINE, 0xFFFFFFFFu, "NoSuchFace Xyz");
    EXPECT_GT(InkOn(frame, Whole(frame), kBlack).count, 20);
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

TEST(CanvasDeviceTest, SpriteCellIsDrawnUnscaledAndAlphaBlended) {
    TempResDir dir;
    ASSERT_TRUE(TestAnimStrip().save(QString::fromStdString(dir.Res("27.png").string())));
    QtCanvasDevice device(QSize(480, 75));
    plat::CanvasTextureObject* texture = device.CreateTextureFromFile("RES\\27.png", 228, 38, 0xFF000000u);
    ASSERT_NE(texture, nullptr);
    const QImage frame = Frame(device, [&] {
        device.Clear(0xFF00FF00u);
        device.SpriteBegin();
        device.SpriteDraw(texture, {76, 0, 114, 38}, 50.0f, 20.0f, 0xFFFFFFFFu);
        device.SpriteEnd();
    });
    const QRgb cell = qRgb(0, 0, CellBlue(2)), green = qRgb(0, 255, 0);
    EXPECT_EQ(InkOn(frame, QRect(50, 20, 19, 38), cell).count, 0);   // the opaque half, exactly
    EXPECT_EQ(InkOn(frame, QRect(69, 20, 19, 38), green).count, 0);  // the keyed half shows the background
    EXPECT_EQ(frame.pixel(49, 30), green);
    EXPECT_EQ(frame.pixel(55, 19), green);
    EXPECT_EQ(frame.pixel(55, 58), green);

    // A half-transparent cell blends with what lies beneath.
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

TEST(CanvasDeviceTest, DrawingOutsideASceneDoesNothing) {
    QtCanvasDevice device(QSize(480, 75));
    plat::CanvasFontObject* font = device.CreateFont(21, 8, 0, "Georgia");
    device.Clear(kBlack);
    EXPECT_EQ(device.DrawText(font, "HHHH", -1, {0, 0, 480, 75}, plat::DT_SINGLELINE, 0xFFFFFFFFu), 0);
    EXPECT_EQ(device.Present(), plat::DeviceStatus::Ok);
    EXPECT_EQ(InkOn(device.LastFrame(), QRect(0, 0, 480, 75), kBlack).count, 0);
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
    EXPECT_TRUE(texture->image.isNull());  // textures go with the old surface
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

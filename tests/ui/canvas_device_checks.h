// What every canvas device must draw, whichever backend it belongs to. Each
// backend's device test instantiates these checks with a harness:
//
//   struct Harness {
//       Harness();                         // a device with a 480x75 surface
//       plat::CanvasDevice& Device();
//       plat::CanvasDevice& OtherDevice(); // a second one, same size
//       FramePixels LastFrame(plat::CanvasDevice&);  // shown by the last Present
//       struct Scratch;                    // RAII: a scratch working folder with RES
//       static void WriteAnimStrip(int scale);  // RES\27.png, see StripCellBlue
//   };
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/platform.h"

namespace kestran::testing {

// A shown frame, row-major 0x00RRGGBB.
struct FramePixels {
    int width = 0, height = 0;
    std::vector<std::uint32_t> rgb;
    std::uint32_t At(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
    bool operator==(const FramePixels&) const = default;
};

struct InkArea {
    int count = 0;
    int left = 0, top = 0, right = -1, bottom = -1;  // inclusive; empty when count is 0
    int CentreX() const { return (left + right) / 2; }
    int CentreY() const { return (top + bottom) / 2; }
};

// Pixels inside the rectangle (clipped to the frame) that differ from background.
inline InkArea InkIn(const FramePixels& frame, const plat::Rect& area, std::uint32_t background) {
    InkArea ink;
    ink.left = frame.width;
    ink.top = frame.height;
    for (int y = std::max(area.top, 0); y < std::min(area.bottom, frame.height); ++y)
        for (int x = std::max(area.left, 0); x < std::min(area.right, frame.width); ++x)
            if (frame.At(x, y) != (background & 0x00FFFFFFu)) {
                ++ink.count;
                ink.left = std::min(ink.left, x);
                ink.top = std::min(ink.top, y);
                ink.right = std::max(ink.right, x);
                ink.bottom = std::max(ink.bottom, y);
            }
    return ink;
}
inline plat::Rect Whole(const FramePixels& frame) { return {0, 0, frame.width, frame.height}; }

// The blue of cell i of the test animation strip: six 38x38 cells (times
// the scale), the left half of each opaque blue, the right half opaque
// black, which the colour key must clear.
inline int StripCellBlue(int cell) { return 60 + 30 * cell; }
inline std::vector<std::uint32_t> AnimStripArgb(int scale) {
    const int width = 228 * scale, height = 38 * scale;
    std::vector<std::uint32_t> strip(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int cell = x / (38 * scale), inCell = x % (38 * scale);
            strip[static_cast<std::size_t>(y) * width + x] =
                0xFF000000u | (inCell < 19 * scale ? static_cast<std::uint32_t>(StripCellBlue(cell)) : 0u);
        }
    return strip;
}

inline constexpr plat::Argb kBlackArgb = 0xFF000000u;
// The word font's face, "微软雅黑" in GBK.
inline constexpr const char* kWordFace = "\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA";

template <class Harness>
class CanvasDeviceChecks : public ::testing::Test {
protected:
    // One frame: clear to black, draw, present; what was shown.
    FramePixels Frame(plat::CanvasDevice& device, const std::function<void()>& draw) {
        device.Clear(kBlackArgb);
        device.BeginScene();
        draw();
        device.EndScene();
        EXPECT_EQ(device.Present(), plat::DeviceStatus::Ok);
        return harness.LastFrame(device);
    }
    FramePixels Frame(const std::function<void()>& draw) { return Frame(harness.Device(), draw); }

    FramePixels TextFrame(const char* text, const plat::Rect& rect, unsigned format, plat::Argb colour = 0xFFFFFFFFu,
                          const char* face = kWordFace) {
        plat::CanvasFontObject* font = harness.Device().CreateFont(21, 8, 0, face);
        EXPECT_NE(font, nullptr);
        return Frame([&] { harness.Device().DrawText(font, text, -1, rect, format, colour); });
    }

    Harness harness;
};

TYPED_TEST_SUITE_P(CanvasDeviceChecks);

TYPED_TEST_P(CanvasDeviceChecks, ClearFillsTheFrameWithTheColourLessItsAlpha) {
    for (plat::Argb colour : {0xFF0000FFu, 0xFF000000u, 0xFFFFFF00u, 0x000000FFu, 0x80123456u}) {
        const FramePixels frame = this->Frame([&] { this->harness.Device().Clear(colour); });
        ASSERT_EQ(frame.width, 480);
        ASSERT_EQ(frame.height, 75);
        EXPECT_EQ(InkIn(frame, Whole(frame), colour).count, 0) << std::hex << colour;
    }
}

TYPED_TEST_P(CanvasDeviceChecks, TextFormatsPlaceTheTextInItsRectangle) {
    const plat::Rect box{100, 10, 300, 70};
    struct Case {
        const char* name;
        unsigned format;
        int left, right;     // where the ink's horizontal extent must lie
        int minTop, maxTop;  // where its top must lie
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
        const FramePixels frame = this->TextFrame("HHHH", box, c.format);
        const InkArea ink = InkIn(frame, Whole(frame), kBlackArgb);
        ASSERT_GT(ink.count, 20);
        EXPECT_GE(ink.left, c.left);
        EXPECT_LE(ink.right, c.right);
        EXPECT_GE(ink.top, c.minTop);
        EXPECT_LE(ink.top, c.maxTop);
        if (c.centredX) {
            EXPECT_NEAR(ink.CentreX(), 200, 3);
        }
        if (c.centredY) {
            EXPECT_NEAR(ink.CentreY(), 40, 3);
        }
        if (c.format == plat::DT_SINGLELINE) {
            EXPECT_LE(ink.left, 104);
        }
        if (c.format & plat::DT_RIGHT) {
            EXPECT_GE(ink.right, 294);
        }
    }
}

TYPED_TEST_P(CanvasDeviceChecks, TextIsClippedToItsRectangleAndTheCanvas) {
    const plat::Rect box{100, 10, 140, 30};
    for (unsigned format : {plat::DT_SINGLELINE, plat::DT_SINGLELINE | plat::DT_RIGHT,
                            plat::DT_CENTER | plat::DT_VCENTER, plat::DT_CENTER}) {
        const FramePixels frame = this->TextFrame("WWWWWWWWWWWWWWWWWWWW", box, format);
        const InkArea ink = InkIn(frame, Whole(frame), kBlackArgb);
        EXPECT_GT(ink.count, 20) << format;
        EXPECT_GE(ink.left, 100) << format;
        EXPECT_LE(ink.right, 139) << format;
        EXPECT_GE(ink.top, 10) << format;
        EXPECT_LE(ink.bottom, 29) << format;
    }
    // The gliding word entering from the left, and leaving on the right with
    // a rectangle that reaches past the canvas.
    const FramePixels entering = this->TextFrame("Wavy", {-19, 16, 500, 82}, plat::DT_SINGLELINE);
    EXPECT_EQ(InkIn(entering, Whole(entering), kBlackArgb).left, 0);
    const FramePixels leaving = this->TextFrame("Wavy", {470, 16, 500, 82}, plat::DT_SINGLELINE);
    EXPECT_GT(InkIn(leaving, Whole(leaving), kBlackArgb).count, 0);
}

// Laid-out text is kept between frames; what a frame shows must not depend
// on what earlier frames drew.
TYPED_TEST_P(CanvasDeviceChecks, TextLooksTheSameWhateverWasDrawnBefore) {
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
        {"left, narrow then wide", plat::DT_SINGLELINE, {{100, 10, 112, 70}, kBlackArgb}, {{100, 10, 400, 70}, kBlackArgb}},
        {"left, wide then narrow", plat::DT_SINGLELINE, {{100, 10, 400, 70}, kBlackArgb}, {{100, 10, 112, 70}, kBlackArgb}},
        {"left, moved", plat::DT_SINGLELINE, {{-19, 16, 500, 82}, kBlackArgb}, {{470, 16, 500, 82}, kBlackArgb}},
        {"right, other width", plat::DT_SINGLELINE | plat::DT_RIGHT, {{0, 56, 470, 125}, kBlackArgb}, {{0, 56, 300, 125}, kBlackArgb}},
        {"centred, other size", plat::DT_CENTER | plat::DT_VCENTER, {{0, 0, 480, 75}, kBlackArgb}, {{100, 0, 300, 40}, kBlackArgb}},
        {"centred top, other width", plat::DT_CENTER, {{0, 59, 480, 160}, kBlackArgb}, {{0, 59, 200, 160}, kBlackArgb}},
        {"other background", plat::DT_SINGLELINE, {{10, 10, 400, 70}, kBlackArgb}, {{10, 10, 400, 70}, 0xFF0000FFu}},
    };
    plat::CanvasDevice& reused = this->harness.Device();
    plat::CanvasDevice& fresh = this->harness.OtherDevice();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Fonts of their own, so neither device has laid out text with them.
        plat::CanvasFontObject* reusedFont = reused.CreateFont(20, 8, 0, "Georgia");
        plat::CanvasFontObject* freshFont = fresh.CreateFont(20, 8, 0, "Georgia");
        auto draw = [&](plat::CanvasDevice& device, plat::CanvasFontObject* font, const Draw& d) {
            return this->Frame(device, [&] {
                device.Clear(d.clear);
                device.DrawText(font, "Wavy jH", -1, d.rect, c.format, 0xC0FFFFFFu);
            });
        };
        draw(reused, reusedFont, c.before);
        const FramePixels expected = draw(fresh, freshFont, c.now);
        EXPECT_GT(InkIn(expected, Whole(expected), c.now.clear).count, 0);
        EXPECT_TRUE(draw(reused, reusedFont, c.now) == expected);
    }
}

TYPED_TEST_P(CanvasDeviceChecks, TextWithoutSingleLineBreaksOnlyAtLineBreaks) {
    const plat::Rect box{0, 0, 480, 75};
    auto inkHeight = [&](const char* text, unsigned format) {
        const InkArea ink = InkIn(this->TextFrame(text, box, format), box, kBlackArgb);
        return ink.count ? ink.bottom - ink.top + 1 : 0;
    };
    EXPECT_LT(inkHeight("HH HH HH HH HH HH HH HH HH HH HH HH HH", plat::DT_CENTER), 21);  // no wrapping
    EXPECT_GT(inkHeight("HH\nHH", plat::DT_CENTER), 30);  // a line break starts a second line
    EXPECT_LT(inkHeight("HH\nHH", plat::DT_SINGLELINE), 21);
    // Two centred lines are centred as one block.
    EXPECT_NEAR(InkIn(this->TextFrame("HH\nHH", box, plat::DT_CENTER | plat::DT_VCENTER), box, kBlackArgb).CentreY(),
                37, 3);
}

TYPED_TEST_P(CanvasDeviceChecks, TextColourKeepsItsAlphaAndAmpersandsShow) {
    const plat::Rect box{0, 0, 480, 75};
    auto brightest = [](const FramePixels& frame) {
        int most = 0;
        for (std::uint32_t p : frame.rgb) most = std::max(most, static_cast<int>((p >> 8) & 0xFF));
        return most;
    };
    EXPECT_EQ(brightest(this->TextFrame("HHHH", box, plat::DT_SINGLELINE, 0xFFFFFFFFu)), 255);
    EXPECT_NEAR(brightest(this->TextFrame("HHHH", box, plat::DT_SINGLELINE, 0x80FFFFFFu)), 128, 2);
    EXPECT_EQ(brightest(this->TextFrame("HHHH", box, plat::DT_SINGLELINE, 0x00FFFFFFu)), 0);
    // "R&D" is three characters, not "R" and an underlined "D".
    const InkArea withAmpersand = InkIn(this->TextFrame("R&D", box, plat::DT_SINGLELINE), box, kBlackArgb);
    const InkArea without = InkIn(this->TextFrame("RD", box, plat::DT_SINGLELINE), box, kBlackArgb);
    EXPECT_GT(withAmpersand.right, without.right + 4);
}

TYPED_TEST_P(CanvasDeviceChecks, ChineseTextRendersAsDistinctGlyphs) {
    const plat::Rect box{0, 0, 480, 75};
    // 顺, 随, 效: different characters must leave different ink; boxes for
    // missing glyphs would all look alike, and the two bytes read in a
    // Latin code page would be two narrow letters, not one square glyph.
    const char* characters[] = {"\xCB\xB3", "\xCB\xE6", "\xD0\xA7"};
    FramePixels frames[3];
    for (int i = 0; i < 3; ++i) {
        frames[i] = this->TextFrame(characters[i], box, plat::DT_SINGLELINE);
        const InkArea ink = InkIn(frames[i], box, kBlackArgb);
        EXPECT_GT(ink.count, 30) << i;
        EXPECT_GE(ink.right - ink.left, 10) << i;
        EXPECT_LE(ink.right - ink.left, 22) << i;
    }
    EXPECT_FALSE(frames[0] == frames[1]);
    EXPECT_FALSE(frames[1] == frames[2]);
    EXPECT_FALSE(frames[0] == frames[2]);
}

// The note beside the moving word: UTF-8 text in the note face, each
// phonetic symbol a glyph of its own (a face without them would draw the
// same box for all), and a text drawn at another's width starts just after it.
TYPED_TEST_P(CanvasDeviceChecks, Utf8TextShowsPhoneticSymbolsAndWidthsSayWhereTextEnds) {
    plat::CanvasDevice& device = this->harness.Device();
    plat::CanvasFontObject* note = device.CreateFont(16, 0, 0, "DejaVu Sans");
    ASSERT_NE(note, nullptr);
    const plat::Rect box{0, 0, 480, 75};
    const char* symbols[] = {"\xC9\x91", "\xC9\x92", "\xC9\x99", "\xCA\x83", "\xC5\x8B", "\xCB\x88", "\xCB\x90"};  // ɑ ɒ ə ʃ ŋ ˈ ː
    std::vector<FramePixels> frames;
    for (const char* symbol : symbols) {
        frames.push_back(
            this->Frame([&] { device.DrawText(note, symbol, -1, box, plat::DT_SINGLELINE | plat::DT_UTF8, 0xFFFFFFFFu); }));
        EXPECT_GT(InkIn(frames.back(), box, kBlackArgb).count, 0) << symbol;
        EXPECT_GT(device.TextWidth(note, symbol, -1, plat::DT_UTF8), 0) << symbol;
    }
    for (std::size_t i = 0; i < frames.size(); ++i)
        for (std::size_t j = i + 1; j < frames.size(); ++j) EXPECT_FALSE(frames[i] == frames[j]) << i << " " << j;

    plat::CanvasFontObject* word = device.CreateFont(21, 8, 0, kWordFace);
    const int width = device.TextWidth(word, "tomato", -1, plat::DT_SINGLELINE);
    EXPECT_GT(width, 30);
    EXPECT_LT(width, 70);
    const FramePixels alone = this->Frame([&] { device.DrawText(word, "tomato", -1, box, plat::DT_SINGLELINE, 0xFFFFFFFFu); });
    const FramePixels after = this->Frame([&] {
        device.DrawText(note, "x", -1, {width, 0, 480, 75}, plat::DT_SINGLELINE | plat::DT_UTF8, 0xFFFFFFFFu);
    });
    const InkArea tomato = InkIn(alone, box, kBlackArgb), x = InkIn(after, box, kBlackArgb);
    EXPECT_GE(x.left, tomato.right - 1);
    EXPECT_LE(x.left, tomato.right + 6);
}

TYPED_TEST_P(CanvasDeviceChecks, UnknownFaceFallsBackToAFontThatDraws) {
    const FramePixels frame =
        this->TextFrame("HHHH", {0, 0, 480, 75}, plat::DT_SINGLELINE, 0xFFFFFFFFu, "NoSuchFace Xyz");
    EXPECT_GT(InkIn(frame, Whole(frame), kBlackArgb).count, 20);
}

TYPED_TEST_P(CanvasDeviceChecks, TextureCellsAreKeyedBoxResizedAndDrawnUnscaled) {
    typename TypeParam::Scratch scratch;
    TypeParam::WriteAnimStrip(2);  // twice the size: the device must shrink it
    plat::CanvasDevice& device = this->harness.Device();
    plat::CanvasTextureObject* texture = device.CreateTextureFromFile("RES\\27.png", 228, 38, 0xFF000000u);
    ASSERT_NE(texture, nullptr);
    const std::uint32_t green = 0x0000FF00u;
    for (int cell = 0; cell < 6; ++cell) {
        SCOPED_TRACE(cell);
        const FramePixels frame = this->Frame([&] {
            device.Clear(0xFF00FF00u);
            device.SpriteBegin();
            device.SpriteDraw(texture, {38 * cell, 0, 38 * cell + 38, 38}, 50.0f, 20.0f, 0xFFFFFFFFu);
            device.SpriteEnd();
        });
        EXPECT_EQ(InkIn(frame, {50, 20, 69, 58}, static_cast<std::uint32_t>(StripCellBlue(cell))).count, 0);
        EXPECT_EQ(InkIn(frame, {69, 20, 88, 58}, green).count, 0);  // keyed: the background shows
        EXPECT_EQ(frame.At(49, 30), green);
        EXPECT_EQ(frame.At(55, 19), green);
        EXPECT_EQ(frame.At(55, 58), green);
    }
    EXPECT_EQ(device.CreateTextureFromFile("RES\\missing.png", 228, 38, 0xFF000000u), nullptr);
    EXPECT_EQ(device.CreateTextureFromFile("RES", 228, 38, 0xFF000000u), nullptr);
    EXPECT_EQ(device.CreateTextureFromFile(nullptr, 228, 38, 0xFF000000u), nullptr);
}

TYPED_TEST_P(CanvasDeviceChecks, SpriteColourModulatesAndNothingDrawsOutsideABatchOrScene) {
    typename TypeParam::Scratch scratch;
    TypeParam::WriteAnimStrip(1);
    plat::CanvasDevice& device = this->harness.Device();
    plat::CanvasTextureObject* texture = device.CreateTextureFromFile("RES\\27.png", 228, 38, 0xFF000000u);
    ASSERT_NE(texture, nullptr);
    // Half alpha fades the cell into what lies beneath.
    const FramePixels faded = this->Frame([&] {
        device.Clear(0xFF00FF00u);
        device.SpriteBegin();
        device.SpriteDraw(texture, {76, 0, 114, 38}, 50.0f, 20.0f, 0x80FFFFFFu);
        device.SpriteEnd();
    });
    EXPECT_NEAR(static_cast<int>(faded.At(55, 30) & 0xFF), StripCellBlue(2) * 128 / 255, 2);
    EXPECT_NEAR(static_cast<int>((faded.At(55, 30) >> 8) & 0xFF), 127, 2);

    const FramePixels outside =
        this->Frame([&] { device.SpriteDraw(texture, {76, 0, 114, 38}, 50.0f, 20.0f, 0xFFFFFFFFu); });
    EXPECT_EQ(InkIn(outside, Whole(outside), kBlackArgb).count, 0);
    plat::CanvasFontObject* font = device.CreateFont(21, 8, 0, "Georgia");
    device.Clear(kBlackArgb);
    EXPECT_EQ(device.DrawText(font, "HHHH", -1, {0, 0, 480, 75}, plat::DT_SINGLELINE, 0xFFFFFFFFu), 0);
    EXPECT_EQ(device.Present(), plat::DeviceStatus::Ok);
    EXPECT_EQ(InkIn(this->harness.LastFrame(device), {0, 0, 480, 75}, kBlackArgb).count, 0);
}

TYPED_TEST_P(CanvasDeviceChecks, AResetKeepsPicturesAndFontsWhereverTheWorkingFolderIsThen) {
    plat::CanvasDevice& device = this->harness.Device();
    plat::CanvasTextureObject* texture = nullptr;
    {
        typename TypeParam::Scratch scratch;
        TypeParam::WriteAnimStrip(1);
        texture = device.CreateTextureFromFile("RES\\27.png", 228, 38, 0xFF000000u);
    }  // the folder with the picture is gone
    ASSERT_NE(texture, nullptr);
    plat::CanvasFontObject* font = device.CreateFont(21, 8, 0, "Georgia");
    ASSERT_TRUE(device.Reset());
    const FramePixels frame = this->Frame([&] {
        device.SpriteBegin();
        device.SpriteDraw(texture, {38, 0, 76, 38}, 50.0f, 20.0f, 0xFFFFFFFFu);
        device.SpriteEnd();
        device.DrawText(font, "HHHH", -1, {200, 0, 480, 75}, plat::DT_SINGLELINE, 0xFFFFFFFFu);
    });
    EXPECT_EQ(InkIn(frame, {50, 20, 69, 58}, static_cast<std::uint32_t>(StripCellBlue(1))).count, 0);
    EXPECT_GT(InkIn(frame, {200, 0, 480, 75}, kBlackArgb).count, 20);
}

REGISTER_TYPED_TEST_SUITE_P(CanvasDeviceChecks, ClearFillsTheFrameWithTheColourLessItsAlpha,
                            TextFormatsPlaceTheTextInItsRectangle, TextIsClippedToItsRectangleAndTheCanvas,
                            TextLooksTheSameWhateverWasDrawnBefore, TextWithoutSingleLineBreaksOnlyAtLineBreaks,
                            TextColourKeepsItsAlphaAndAmpersandsShow, ChineseTextRendersAsDistinctGlyphs,
                            Utf8TextShowsPhoneticSymbolsAndWidthsSayWhereTextEnds,
                            UnknownFaceFallsBackToAFontThatDraws, TextureCellsAreKeyedBoxResizedAndDrawnUnscaled,
                            SpriteColourModulatesAndNothingDrawsOutsideABatchOrScene,
                            AResetKeepsPicturesAndFontsWhereverTheWorkingFolderIsThen);

}  // namespace kestran::testing

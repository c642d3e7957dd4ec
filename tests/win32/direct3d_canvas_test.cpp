// The Direct3D canvas device, read back from its back buffer by pixel: the
// same things the canvas must show on every backend.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "platform/win32/win32_canvas.h"
#include "platform/win32/win32_canvas_image.h"
#include "platform/win32/win32_canvas_text.h"
#include "platform/win32/win32_imaging.h"
#include "tests/win32/media_test_support.h"

namespace {

using namespace kestran::win32_testing;
using plat::win32::CanvasFrame;
using plat::win32::Direct3DCanvasDevice;

constexpr plat::Argb kBlack = 0xFF000000u;
constexpr const char* kYaHei = "\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA";  // the word font's face, GBK

struct Ink {
    int count = 0;
    RECT bounds{0, 0, 0, 0};  // right and bottom inclusive; meaningless when count is 0
    int CentreX() const { return (bounds.left + bounds.right) / 2; }
    int CentreY() const { return (bounds.top + bounds.bottom) / 2; }
};

// Pixels inside [left, right) x [top, bottom) that differ from background.
Ink InkOn(const CanvasFrame& frame, RECT area, std::uint32_t background) {
    Ink ink;
    ink.bounds = {frame.width, frame.height, -1, -1};
    for (int y = std::max<int>(area.top, 0); y < std::min<int>(area.bottom, frame.height); ++y)
        for (int x = std::max<int>(area.left, 0); x < std::min<int>(area.right, frame.width); ++x)
            if (frame.Pixel(x, y) != (background & 0x00FFFFFFu)) {
                ++ink.count;
                ink.bounds.left = std::min<LONG>(ink.bounds.left, x);
                ink.bounds.top = std::min<LONG>(ink.bounds.top, y);
                ink.bounds.right = std::max<LONG>(ink.bounds.right, x);
                ink.bounds.bottom = std::max<LONG>(ink.bounds.bottom, y);
            }
    return ink;
}
RECT Whole(const CanvasFrame& frame) { return {0, 0, frame.width, frame.height}; }

class CanvasWindow {
public:
    CanvasWindow() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = ::DefWindowProcW;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"canvas-test";
        ::RegisterClassW(&windowClass);
        RECT outer{0, 0, 480, 75};
        ::AdjustWindowRect(&outer, WS_POPUP, FALSE);
        window_ = ::CreateWindowExW(0, L"canvas-test", L"canvas", WS_POPUP | plat::win32::sys::WS_VISIBLE, 0, 0,
                                    outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
    }
    ~CanvasWindow() { ::DestroyWindow(window_); }
    HWND handle() const { return window_; }

private:
    HWND window_ = nullptr;
};

// One window and device for the whole suite: making a device costs
// seconds under Wine.
class Direct3DCanvasTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        window = new CanvasWindow();
        shared = Direct3DCanvasDevice::Create(window->handle()).release();
    }
    static void TearDownTestSuite() {
        delete shared;
        delete window;
        shared = nullptr;
        window = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(window->handle(), nullptr);
        ASSERT_NE(shared, nullptr) << "no Direct3D 9 device";
        device = shared;
        device->KeepFrames(true);
    }

    // One frame: clear to black, draw, present; what was shown.
    CanvasFrame Frame(const std::function<void()>& draw) {
        device->Clear(kBlack);
        device->BeginScene();
        draw();
        device->EndScene();
        EXPECT_EQ(device->Present(), plat::DeviceStatus::Ok);
        return device->LastFrame();
    }

    CanvasFrame TextFrame(const char* text, const plat::Rect& rect, unsigned format, plat::Argb colour = 0xFFFFFFFFu,
                          const char* face = kYaHei) {
        plat::CanvasFontObject* font = device->CreateFont(21, 8, 0, face);
        EXPECT_NE(font, nullptr);
        return Frame([&] { device->DrawText(font, text, -1, rect, format, colour); });
    }

    static inline CanvasWindow* window = nullptr;
    static inline Direct3DCanvasDevice* shared = nullptr;
    Direct3DCanvasDevice* device = nullptr;
};

TEST_F(Direct3DCanvasTest, ClearFillsTheFrameWithTheColourLessItsAlpha) {
    for (plat::Argb colour : {0xFF0000FFu, 0xFFFFFF00u, 0x000000FFu, 0x80123456u}) {
        const CanvasFrame frame = Frame([&] { device->Clear(colour); });
        ASSERT_EQ(frame.width, 480);
        ASSERT_EQ(frame.height, 75);
        EXPECT_EQ(InkOn(frame, Whole(frame), colour).count, 0) << std::hex << colour;
    }
}

TEST_F(Direct3DCanvasTest, TextFormatsPlaceTheTextInItsRectangle) {
    const plat::Rect box{100, 10, 300, 70};
    struct Case {
        const char* name;
        unsigned format;
        int left, right, minTop, maxTop;
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
        const CanvasFrame frame = TextFrame("HHHH", box, c.format);
        const Ink ink = InkOn(frame, Whole(frame), kBlack);
        ASSERT_GT(ink.count, 20);
        EXPECT_GE(ink.bounds.left, c.left);
        EXPECT_LE(ink.bounds.right, c.right);
        EXPECT_GE(ink.bounds.top, c.minTop);
        EXPECT_LE(ink.bounds.top, c.maxTop);
        if (c.centredX) {
            EXPECT_NEAR(ink.CentreX(), 200, 3);
        }
        if (c.centredY) {
            EXPECT_NEAR(ink.CentreY(), 40, 3);
        }
        if (c.format == plat::DT_SINGLELINE) {
            EXPECT_LE(ink.bounds.left, 104);
        }
        if (c.format & plat::DT_RIGHT) {
            EXPECT_GE(ink.bounds.right, 294);
        }
    }
}

TEST_F(Direct3DCanvasTest, TextIsClippedToItsRectangleAndTheCanvas) {
    const plat::Rect box{100, 10, 140, 30};
    for (unsigned format : {plat::DT_SINGLELINE, plat::DT_SINGLELINE | plat::DT_RIGHT,
                            plat::DT_CENTER | plat::DT_VCENTER, plat::DT_CENTER}) {
        const CanvasFrame frame = TextFrame("WWWWWWWWWWWWWWWWWWWW", box, format);
        const Ink ink = InkOn(frame, Whole(frame), kBlack);
        EXPECT_GT(ink.count, 20) << format;
        EXPECT_GE(ink.bounds.left, 100) << format;
        EXPECT_LE(ink.bounds.right, 139) << format;
        EXPECT_GE(ink.bounds.top, 10) << format;
        EXPECT_LE(ink.bounds.bottom, 29) << format;
    }
    // A word entering from the left and one whose rectangle runs past the
    // right edge, as the gliding word does.
    const CanvasFrame entering = TextFrame("Wavy", {-19, 16, 500, 82}, plat::DT_SINGLELINE);
    EXPECT_EQ(InkOn(entering, Whole(entering), kBlack).bounds.left, 0);
    const CanvasFrame leaving = TextFrame("Wavy", {470, 16, 500, 82}, plat::DT_SINGLELINE);
    EXPECT_GT(InkOn(leaving, Whole(leaving), kBlack).count, 0);
}

// Laid-out text is kept between frames; a frame must not depend on what
// earlier frames drew.
TEST_F(Direct3DCanvasTest, TextLooksTheSameWhateverWasDrawnBefore) {
    struct Case {
        const char* name;
        unsigned format;
        plat::Rect before, now;
    };
    const Case cases[] = {
        {"left, narrow then wide", plat::DT_SINGLELINE, {100, 10, 112, 70}, {100, 10, 400, 70}},
        {"left, moved", plat::DT_SINGLELINE, {-19, 16, 500, 82}, {300, 16, 500, 82}},
        {"right, other width", plat::DT_SINGLELINE | plat::DT_RIGHT, {0, 56, 470, 125}, {0, 56, 300, 125}},
        {"centred, other size", plat::DT_CENTER | plat::DT_VCENTER, {0, 0, 480, 75}, {100, 0, 300, 40}},
        {"centred top, other width", plat::DT_CENTER, {0, 59, 480, 160}, {0, 59, 200, 160}},
    };
    auto fresh = Direct3DCanvasDevice::Create(window->handle());
    ASSERT_NE(fresh, nullptr);
    fresh->KeepFrames(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        plat::CanvasFontObject* font = device->CreateFont(20, 8, 0, "Georgia");
        auto draw = [&](const plat::Rect& rect) {
            return Frame([&] { device->DrawText(font, "Wavy jH", -1, rect, c.format, 0xC0FFFFFFu); });
        };
        draw(c.before);
        const CanvasFrame reused = draw(c.now);
        // A font the other device never laid text out with.
        plat::CanvasFontObject* freshFont = fresh->CreateFont(20, 8, 0, "Georgia");
        fresh->Clear(kBlack);
        fresh->BeginScene();
        fresh->DrawText(freshFont, "Wavy jH", -1, c.now, c.format, 0xC0FFFFFFu);
        fresh->EndScene();
        fresh->Present();
        const CanvasFrame expected = fresh->LastFrame();
        EXPECT_GT(InkOn(expected, Whole(expected), kBlack).count, 0);
        EXPECT_EQ(reused.rgb, expected.rgb);
    }
}

TEST_F(Direct3DCanvasTest, TextWithoutSingleLineBreaksOnlyAtLineBreaks) {
    const plat::Rect box{0, 0, 480, 75};
    auto height = [&](const char* text, unsigned format) {
        const CanvasFrame frame = TextFrame(text, box, format);
        const Ink ink = InkOn(frame, Whole(frame), kBlack);
        return ink.count ? ink.bounds.bottom - ink.bounds.top + 1 : 0;
    };
    EXPECT_LT(height("HH HH HH HH HH HH HH HH HH HH HH HH HH HH HH HH HH HH HH HH", plat::DT_CENTER), 21);
    EXPECT_GT(height("HH\nHH", plat::DT_CENTER), 30);
    EXPECT_LT(height("HH\nHH", plat::DT_SINGLELINE), 21);
    // Two centred lines are centred as a block, not only the first line.
    const CanvasFrame two = TextFrame("HH\nHH", box, plat::DT_CENTER | plat::DT_VCENTER);
    EXPECT_NEAR(InkOn(two, Whole(two), kBlack).CentreY(), 37, 3);
}

TEST_F(Direct3DCanvasTest, TextColourKeepsItsAlphaAndPrefixCharactersShow) {
    const plat::Rect box{0, 0, 480, 75};
    auto brightest = [](const CanvasFrame& frame) {
        int most = 0;
        for (std::uint32_t p : frame.rgb) most = std::max(most, Green(p));
        return most;
    };
    EXPECT_EQ(brightest(TextFrame("HHHH", box, plat::DT_SINGLELINE, 0xFFFFFFFFu)), 255);
    EXPECT_NEAR(brightest(TextFrame("HHHH", box, plat::DT_SINGLELINE, 0x80FFFFFFu)), 128, 2);
    EXPECT_EQ(brightest(TextFrame("HHHH", box, plat::DT_SINGLELINE, 0x00FFFFFFu)), 0);
    // "R&D" is three characters, not "R" and an underlined "D".
    const Ink withAmpersand = InkOn(TextFrame("R&D", box, plat::DT_SINGLELINE), {0, 0, 480, 75}, kBlack);
    const Ink without = InkOn(TextFrame("RD", box, plat::DT_SINGLELINE), {0, 0, 480, 75}, kBlack);
    EXPECT_GT(withAmpersand.bounds.right, without.bounds.right + 4);
}

TEST_F(Direct3DCanvasTest, ChineseTextRendersAsDistinctGlyphsOnAnyCodePage) {
    const plat::Rect box{0, 0, 480, 75};
    // 顺, 随, 效: different characters must leave different ink; boxes for
    // missing glyphs, or text read in the wrong code page, would not.
    const char* characters[] = {"\xCB\xB3", "\xCB\xE6", "\xD0\xA7"};
    CanvasFrame frames[3];
    for (int i = 0; i < 3; ++i) {
        frames[i] = TextFrame(characters[i], box, plat::DT_SINGLELINE);
        const Ink ink = InkOn(frames[i], Whole(frames[i]), kBlack);
        EXPECT_GT(ink.count, 30) << i;
        // One character of a 21-pixel font: a square glyph, not two narrow
        // Latin-1 letters as the two bytes would be in code page 1252.
        EXPECT_LE(ink.bounds.right - ink.bounds.left, 22) << i;
        EXPECT_GE(ink.bounds.right - ink.bounds.left, 10) << i;
    }
    EXPECT_NE(frames[0].rgb, frames[1].rgb);
    EXPECT_NE(frames[1].rgb, frames[2].rgb);
    EXPECT_NE(frames[0].rgb, frames[2].rgb);
    std::printf("system code page %u\n", ::GetACP());
}

TEST_F(Direct3DCanvasTest, UnknownFaceFallsBackToAFontThatDraws) {
    const CanvasFrame frame = TextFrame("HHHH", {0, 0, 480, 75}, plat::DT_SINGLELINE, 0xFFFFFFFFu, "NoSuchFace Xyz");
    EXPECT_GT(InkOn(frame, Whole(frame), kBlack).count, 20);
}

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

TEST(CanvasFontTest, StandInsFollowTheRequestedFace) {
    const auto yahei = plat::win32::CandidateFaces(L"\u5FAE\u8F6F\u96C5\u9ED1");
    ASSERT_GE(yahei.size(), 3u);
    EXPECT_EQ(yahei.front(), L"\u5FAE\u8F6F\u96C5\u9ED1");
    EXPECT_NE(std::find(yahei.begin(), yahei.end(), L"Microsoft YaHei"), yahei.end());
    EXPECT_EQ(plat::win32::CandidateFaces(L"georgia").size(), 5u);
    EXPECT_EQ(plat::win32::CandidateFaces(L"Other"), std::vector<std::wstring>{L"Other"});
    EXPECT_EQ(plat::win32::InstalledFace(L"No Such Face Xyz"), L"No Such Face Xyz");
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
    // Growing repeats pixels; the same size changes nothing; nothing gives nothing.
    const auto grown = plat::win32::BoxResize(three, 6, 2);
    EXPECT_EQ(grown.argb[6 + 0], grey(30));
    EXPECT_EQ(grown.argb[3], grey(90));
    EXPECT_EQ(grown.argb[6 + 5], grey(150));
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

// The blue of cell i of the test strip.
int CellBlue(int cell) { return 60 + 30 * cell; }

// Six 38x38 cells (times scale): the left half of cell i opaque blue
// CellBlue(i), the right half opaque black, which the key must clear.
void WriteAnimStrip(const ScratchFolder& folder, int scale) {
    const int width = 228 * scale, height = 38 * scale;
    std::vector<std::uint32_t> strip(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int cell = x / (38 * scale), inCell = x % (38 * scale);
            strip[static_cast<std::size_t>(y) * width + x] =
                inCell < 19 * scale ? 0xFF000000u | static_cast<std::uint32_t>(CellBlue(cell)) : 0xFF000000u;
        }
    ASSERT_TRUE(WritePicture(folder.Res(L"27.png"), width, height, strip, L"image/png"));
}

class CanvasTextureTest : public Direct3DCanvasTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(imaging.Startup());  // for writing the test pictures
        Direct3DCanvasTest::SetUp();
    }
    plat::win32::GdiplusImagingService imaging;
    ScratchFolder folder;
};

TEST_F(CanvasTextureTest, TextureFromFileIsKeyedAndBoxResized) {
    WriteAnimStrip(folder, 2);
    const plat::win32::Pixels pixels = plat::win32::LoadTexturePixels(L"RES\\27.png", 228, 38, 0xFF000000u);
    ASSERT_EQ(pixels.width, 228);
    ASSERT_EQ(pixels.height, 38);
    for (int cell = 0; cell < 6; ++cell) {
        EXPECT_EQ(pixels.argb[20 * 228 + 38 * cell + 5], 0xFF000000u | CellBlue(cell)) << cell;
        EXPECT_EQ(pixels.argb[20 * 228 + 38 * cell + 30] >> 24, 0u) << cell;
    }
    plat::CanvasTextureObject* texture = device->CreateTextureFromFile("RES\\27.png", 228, 38, 0xFF000000u);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->width, 228);
    EXPECT_EQ(device->CreateTextureFromFile("RES\\missing.png", 228, 38, 0xFF000000u), nullptr);
    EXPECT_EQ(device->CreateTextureFromFile("RES", 228, 38, 0xFF000000u), nullptr);
    EXPECT_EQ(device->CreateTextureFromFile(nullptr, 228, 38, 0xFF000000u), nullptr);
}

TEST_F(CanvasTextureTest, SpriteCellIsDrawnUnscaledBlendedAndModulated) {
    WriteAnimStrip(folder, 1);
    plat::CanvasTextureObject* texture = device->CreateTextureFromFile("RES\\27.png", 228, 38, 0xFF000000u);
    ASSERT_NE(texture, nullptr);
    auto cellFrame = [&](plat::Argb colour) {
        return Frame([&] {
            device->Clear(0xFF00FF00u);
            device->SpriteBegin();
            device->SpriteDraw(texture, {76, 0, 114, 38}, 50.0f, 20.0f, colour);
            device->SpriteEnd();
        });
    };
    const CanvasFrame frame = cellFrame(0xFFFFFFFFu);
    const std::uint32_t cell = static_cast<std::uint32_t>(CellBlue(2)), green = 0x0000FF00u;
    EXPECT_EQ(InkOn(frame, {50, 20, 69, 58}, cell).count, 0);   // the opaque half, exactly
    EXPECT_EQ(InkOn(frame, {69, 20, 88, 58}, green).count, 0);  // the keyed half shows the background
    EXPECT_EQ(frame.Pixel(49, 30), green);
    EXPECT_EQ(frame.Pixel(55, 19), green);
    EXPECT_EQ(frame.Pixel(55, 58), green);

    // A colour of half alpha fades the cell into what lies beneath.
    const CanvasFrame faded = cellFrame(0x80FFFFFFu);
    EXPECT_NEAR(Blue(faded.Pixel(55, 30)), CellBlue(2) * 128 / 255, 2);
    EXPECT_NEAR(Green(faded.Pixel(55, 30)), 127, 2);

    // Drawing outside a sprite batch or a scene shows nothing.
    const CanvasFrame outside = Frame([&] { device->SpriteDraw(texture, {76, 0, 114, 38}, 50.0f, 20.0f, 0xFFFFFFFFu); });
    EXPECT_EQ(InkOn(outside, Whole(outside), kBlack).count, 0);
    plat::CanvasFontObject* font = device->CreateFont(21, 8, 0, "Georgia");
    device->Clear(kBlack);
    EXPECT_EQ(device->DrawText(font, "HHHH", -1, {0, 0, 480, 75}, plat::DT_SINGLELINE, 0xFFFFFFFFu), 0);
    EXPECT_EQ(device->Present(), plat::DeviceStatus::Ok);
    EXPECT_EQ(InkOn(device->LastFrame(), {0, 0, 480, 75}, kBlack).count, 0);
}

TEST_F(CanvasTextureTest, AResizedWindowMakesTheDeviceResetWithANewSizeAndNoTextures) {
    WriteAnimStrip(folder, 1);
    plat::CanvasTextureObject* texture = device->CreateTextureFromFile("RES\\27.png", 228, 38, 0xFF000000u);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(device->TestCooperativeLevel(), plat::DeviceStatus::Ok);

    RECT outer{0, 0, 500, 80};
    ::AdjustWindowRect(&outer, WS_POPUP, FALSE);
    ::SetWindowPos(window->handle(), nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                   SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(device->TestCooperativeLevel(), plat::DeviceStatus::NotReset);
    ASSERT_TRUE(device->Reset());
    EXPECT_EQ(device->TestCooperativeLevel(), plat::DeviceStatus::Ok);
    EXPECT_EQ(texture->texture, nullptr);  // textures are made again after a reset
    const CanvasFrame frame = Frame([] {});
    EXPECT_EQ(frame.width, 500);
    EXPECT_EQ(frame.height, 80);
    // Text still draws after the reset.
    EXPECT_GT(InkOn(TextFrame("HHHH", {0, 0, 480, 75}, plat::DT_SINGLELINE), {0, 0, 500, 80}, kBlack).count, 20);

    // Back to the canvas size for the tests that follow.
    ::SetWindowPos(window->handle(), nullptr, 0, 0, 480, 75, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_TRUE(device->Reset());
}

TEST(FramePacingTest, FramesTheDeviceRushesWaitForTheRefreshButPacedOnesDoNot) {
    using namespace std::chrono;
    using plat::win32::PacingClock;
    const auto period = duration_cast<PacingClock::duration>(microseconds(16667));
    plat::win32::PresentPacer pacer(period, period / 4);
    const PacingClock::time_point start{seconds(100)};
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
    // A stall does not make the next frames rush to catch up.
    const auto stalled = start + 5 * period + seconds(1);
    EXPECT_EQ(pacer.After(stalled), stalled);
    EXPECT_EQ(pacer.After(stalled + milliseconds(1)), stalled + period);
}

TEST_F(Direct3DCanvasTest, AnAnimationOf42FramesLastsAtLeast42Refreshes) {
    device->KeepFrames(false);
    device->Present();
    const auto start = std::chrono::steady_clock::now();
    for (int frame = 0; frame < 42; ++frame) {
        device->Clear(kBlack);
        device->Present();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("42 frames in %.3f s at %.1f Hz\n", seconds, device->RefreshHz());
    // A lower bound only: a slow machine may take longer, never shorter.
    EXPECT_GE(seconds, 41.0 / device->RefreshHz());
}

}  // namespace

// The canvas at a monitor's scale: what the device behind it is asked for.
// That it draws what it is asked is the canvas device tests' business.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/win32/win32_canvas_choice.h"
#include "platform/win32/win32_direct3d_canvas.h"
#include "platform/win32/win32_scaled_canvas.h"
#include "tests/win32/media_test_support.h"

namespace {

using plat::Argb;
using plat::CanvasFontObject;
using plat::CanvasTextureObject;
using plat::DeviceStatus;
using plat::Rect;

// Writes down every call that the scaling could change.
class RecordingDevice final : public plat::CanvasDevice {
public:
    std::vector<std::string> calls;
    int texturesMade = 0;

    DeviceStatus TestCooperativeLevel() override { return DeviceStatus::Ok; }
    bool Reset() override {
        calls.push_back("reset");
        return true;
    }
    void Clear(Argb) override {}
    void BeginScene() override {}
    void EndScene() override {}
    CanvasFontObject* CreateFont(int height, int width, int, const char* face) override {
        Note("font", {height, width}, face);
        return reinterpret_cast<CanvasFontObject*>(&fontTag_);
    }
    int DrawText(CanvasFontObject*, const char* text, int, const Rect& r, unsigned, Argb) override {
        Note("text", {r.left, r.top, r.right, r.bottom}, text);
        return r.bottom - r.top;
    }
    CanvasTextureObject* CreateTextureFromFile(const char* path, int width, int height, Argb) override {
        Note("texture", {width, height}, path);
        return reinterpret_cast<CanvasTextureObject*>(&textureTags_[texturesMade++ % 8]);
    }
    void SpriteBegin() override {}
    void SpriteDraw(CanvasTextureObject*, const Rect& s, float x, float y, Argb) override {
        Note("cell", {s.left, s.top, s.right, s.bottom, static_cast<int>(x * 2), static_cast<int>(y * 2)}, "");
    }
    void SpriteEnd() override {}
    void ReleaseFont(CanvasFontObject* font) override { calls.push_back(font ? "release font" : "release no font"); }
    void ReleaseTexture(CanvasTextureObject* texture) override {
        calls.push_back(texture ? "release texture" : "release no texture");
    }
    DeviceStatus Present() override { return DeviceStatus::Ok; }

private:
    void Note(const char* what, std::vector<int> numbers, const char* text) {
        std::string line = what;
        for (int n : numbers) line += " " + std::to_string(n);
        calls.push_back(line + " " + text);
    }
    int fontTag_ = 0;
    int textureTags_[8] = {};
};

// One frame of what the renderer draws: a font, a text, the strip, a cell.
void DrawFrame(plat::win32::ScaledCanvasDevice& canvas, int& textHeight) {
    CanvasFontObject* font = canvas.CreateFont(21, 8, 0, "face");
    textHeight = canvas.DrawText(font, "word", 4, Rect{-19, 16, 500, 82}, 0, 0xFFFFFFFF);
    CanvasTextureObject* strip = canvas.CreateTextureFromFile("RES\\27.png", 228, 38, 0xFF000000);
    canvas.SpriteDraw(strip, Rect{38, 0, 76, 38}, 221.0f, 20.0f, 0xFFFFFFFF);
}

TEST(ScaledCanvas, PlacesSizesAndFontsFollowTheScale) {
    // Sprite positions are written doubled, to keep half pixels.
    struct Case {
        unsigned dpi;
        std::vector<std::string> calls;
        int textHeight;
    } cases[] = {
        {96,
         {"font 21 8 face", "text -19 16 500 82 word", "texture 228 38 RES\\27.png", "cell 38 0 76 38 442 40 "},
         66},
        {144,
         {"font 32 12 face", "text -29 24 750 123 word", "texture 342 57 RES\\27.png", "cell 57 0 114 57 663 60 "},
         66},
        {192,
         {"font 42 16 face", "text -38 32 1000 164 word", "texture 456 76 RES\\27.png", "cell 76 0 152 76 884 80 "},
         66},
    };
    for (const Case& c : cases) {
        RecordingDevice device;
        plat::win32::ScaledCanvasDevice canvas(&device, [&c] { return c.dpi; });
        int textHeight = 0;
        DrawFrame(canvas, textHeight);
        EXPECT_EQ(device.calls, c.calls) << c.dpi << " DPI";
        EXPECT_EQ(textHeight, c.textHeight) << c.dpi << " DPI: the height in 96-DPI pixels";
    }
}

TEST(ScaledCanvas, AChangeOfScaleIsAResetThatRemakesFontsAndTextures) {
    RecordingDevice device;
    unsigned dpi = 96;
    plat::win32::ScaledCanvasDevice canvas(&device, [&dpi] { return dpi; });
    CanvasFontObject* font = canvas.CreateFont(18, 7, 0, "label");
    CanvasTextureObject* strip = canvas.CreateTextureFromFile("RES\\27.png", 228, 38, 0xFF000000);
    EXPECT_EQ(canvas.TestCooperativeLevel(), DeviceStatus::Ok);

    dpi = 144;
    EXPECT_EQ(canvas.TestCooperativeLevel(), DeviceStatus::NotReset);
    device.calls.clear();
    ASSERT_TRUE(canvas.Reset());
    EXPECT_EQ(canvas.TestCooperativeLevel(), DeviceStatus::Ok);
    // The renderer keeps its handles: they draw at the new scale.
    canvas.DrawText(font, "x", 1, Rect{10, 0, 60, 60}, 0, 0xFFFFFFFF);
    canvas.SpriteDraw(strip, Rect{0, 0, 38, 38}, 0.0f, 0.0f, 0xFFFFFFFF);
    // What was made at the old scale goes back first.
    const std::vector<std::string> expected = {"reset", "release font", "font 27 11 label", "release texture",
                                               "text 15 0 90 90 x", "texture 342 57 RES\\27.png",
                                               "cell 0 0 57 57 0 0 "};
    EXPECT_EQ(device.calls, expected);

    // A reset at the same scale (a lost surface) remakes nothing itself.
    device.calls.clear();
    ASSERT_TRUE(canvas.Reset());
    EXPECT_EQ(device.calls, std::vector<std::string>{"reset"});
}

// Passes every call on to the program's own device, keeping the fonts it
// made. (That the scaled canvas gives back what it made at the old scale is
// the test above; this one sees that the device really lets go of it.)
class KeepingTrack final : public plat::CanvasDevice {
public:
    explicit KeepingTrack(plat::CanvasDevice& real) : real_(real) {}
    std::vector<HFONT> fontsMade;

    DeviceStatus TestCooperativeLevel() override { return real_.TestCooperativeLevel(); }
    bool Reset() override { return real_.Reset(); }
    void Clear(Argb colour) override { real_.Clear(colour); }
    void BeginScene() override { real_.BeginScene(); }
    void EndScene() override { real_.EndScene(); }
    CanvasFontObject* CreateFont(int height, int width, int weight, const char* face) override {
        CanvasFontObject* font = real_.CreateFont(height, width, weight, face);
        if (font) fontsMade.push_back(font->font);
        return font;
    }
    int DrawText(CanvasFontObject* font, const char* text, int length, const Rect& rect, unsigned format,
                 Argb colour) override {
        return real_.DrawText(font, text, length, rect, format, colour);
    }
    CanvasTextureObject* CreateTextureFromFile(const char* path, int width, int height, Argb colourKey) override {
        return real_.CreateTextureFromFile(path, width, height, colourKey);
    }
    void ReleaseFont(CanvasFontObject* font) override { real_.ReleaseFont(font); }
    void ReleaseTexture(CanvasTextureObject* texture) override { real_.ReleaseTexture(texture); }
    void SpriteBegin() override { real_.SpriteBegin(); }
    void SpriteDraw(CanvasTextureObject* texture, const Rect& source, float x, float y, Argb colour) override {
        real_.SpriteDraw(texture, source, x, y, colour);
    }
    void SpriteEnd() override { real_.SpriteEnd(); }
    DeviceStatus Present() override { return real_.Present(); }

    // The fonts made here that are still fonts of the system.
    int LiveFonts() const {
        std::set<HFONT> live;
        for (HFONT font : fontsMade)
            if (::GetObjectType(font) == OBJ_FONT) live.insert(font);
        return static_cast<int>(live.size());
    }

private:
    plat::CanvasDevice& real_;
};

// A learner moving the window between monitors of two scales, again and
// again: the fonts and the strip made at each scale go back to the system,
// so the process's GDI objects (10,000 at most by default) stay as many.
TEST(ScaledCanvas, MovesBetweenScalesKeepTheGdiObjectsAsMany) {
    using Harness = kestran::win32_testing::DeviceHarness<plat::win32::Direct3DCanvasDevice>;
    plat::win32::GdiplusImagingService imaging;  // the strip is written and read through GDI+
    ASSERT_TRUE(imaging.Startup());
    Harness::Scratch folder;
    Harness::WriteAnimStrip(1);
    kestran::win32_testing::CanvasWindow window;
    auto chosen = plat::win32::ChosenCanvasDevice::Create(window.handle());
    ASSERT_NE(chosen, nullptr);
    KeepingTrack device(*chosen);
    unsigned dpi = 96;
    plat::win32::ScaledCanvasDevice canvas(&device, [&dpi] { return dpi; });
    // As the renderer makes them: three fonts and the strip, once.
    const std::vector<CanvasFontObject*> fonts = {canvas.CreateFont(21, 8, 0, "Arial"),
                                                  canvas.CreateFont(18, 7, 0, "Arial"),
                                                  canvas.CreateFont(12, 5, 0, "Arial")};
    CanvasTextureObject* strip = canvas.CreateTextureFromFile("RES\\27.png", 228, 38, 0xFF000000);
    ASSERT_NE(strip, nullptr);
    auto frameAt = [&](unsigned scale) {
        dpi = scale;
        if (canvas.TestCooperativeLevel() != DeviceStatus::Ok) {
            ASSERT_TRUE(canvas.Reset()) << scale << " DPI";
        }
        canvas.BeginScene();
        canvas.Clear(0xFF0000FF);
        for (CanvasFontObject* font : fonts) canvas.DrawText(font, "apple", 5, Rect{0, 0, 480, 75}, 0, 0xFFFFFFFF);
        canvas.SpriteBegin();
        canvas.SpriteDraw(strip, Rect{38, 0, 76, 38}, 221.0f, 20.0f, 0xFFFFFFFF);
        canvas.SpriteEnd();
        canvas.EndScene();
        canvas.Present();
    };
    // Each change of scale resets the device, which takes about a second
    // under Wine: a few moves show a leak as well as many.
    const int kMoves = 4;
    const HANDLE self = ::GetCurrentProcess();
    // A frame at each scale first: what a device makes once for good is made.
    frameAt(144);
    frameAt(96);
    const DWORD before = ::GetGuiResources(self, GR_GDIOBJECTS);
    for (int move = 0; move < kMoves; ++move) frameAt(move % 2 ? 96 : 144);
    const DWORD after = ::GetGuiResources(self, GR_GDIOBJECTS);
    // Wine counts no GDI objects (0); Windows does.
    EXPECT_EQ(after, before);
    ASSERT_EQ(device.fontsMade.size(), 3u * (kMoves + 3));
    EXPECT_EQ(device.LiveFonts(), 3) << "fonts of earlier scales are still held";
}

}  // namespace

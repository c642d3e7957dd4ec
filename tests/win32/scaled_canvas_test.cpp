// The canvas at a monitor's scale: what the device behind it is asked for.
// That it draws what it is asked is the canvas device tests' business.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/win32_scaled_canvas.h"

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
    const std::vector<std::string> expected = {"reset", "font 27 11 label", "text 15 0 90 90 x",
                                               "texture 342 57 RES\\27.png", "cell 0 0 57 57 0 0 "};
    EXPECT_EQ(device.calls, expected);

    // A reset at the same scale (a lost surface) remakes nothing itself.
    device.calls.clear();
    ASSERT_TRUE(canvas.Reset());
    EXPECT_EQ(device.calls, std::vector<std::string>{"reset"});
}

}  // namespace

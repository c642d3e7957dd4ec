// The GDI canvas device: the checks every canvas device passes, the same
// pixels as the Direct3D device for the drill's own frames, and how the
// canvas device is chosen at start and again after a lasting loss.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "drill/drill_state.h"
#include "platform/win32/win32_canvas_choice.h"
#include "platform/win32/win32_direct3d_canvas.h"
#include "platform/win32/win32_gdi_canvas.h"
#include "platform/win32/win32_imaging.h"
#include "tests/ui/canvas_device_checks.h"
#include "tests/win32/media_test_support.h"
#include "ui/renderer.h"

namespace {

using namespace kestran::win32_testing;
using kestran::testing::FramePixels;
using plat::win32::ChosenCanvasDevice;
using plat::win32::Direct3DCanvasDevice;
using plat::win32::GdiCanvasDevice;
using plat::win32::WindowsCanvasDevice;

using GdiHarness = DeviceHarness<GdiCanvasDevice>;

}  // namespace

namespace kestran::testing {
INSTANTIATE_TYPED_TEST_SUITE_P(Gdi, CanvasDeviceChecks, GdiHarness);
}  // namespace kestran::testing

namespace {

// The drill's own frames, drawn by the renderer on each device from the
// same state, with the real animation strip (the tests run in the source
// folder) and the drill's colours.
TEST(GdiCanvasTest, TheDrillsFramesLookTheSameAsWithDirect3D) {
    CanvasWindow direct3DWindow, gdiWindow;
    auto direct3D = Direct3DCanvasDevice::Create(direct3DWindow.handle());
    if (!direct3D) GTEST_SKIP() << "no Direct3D device to compare with";
    auto gdi = GdiCanvasDevice::Create(gdiWindow.handle());
    ASSERT_NE(gdi, nullptr);
    direct3D->KeepFrames(true);
    gdi->KeepFrames(true);

    using kestran::drill;
    std::vector<kestran::WordRecord> table(3 + kestran::kSpareRecords);
    std::strcpy(table[0].word, "apple");
    std::strcpy(table[0].meaning, "\xC6\xBB\xB9\xFB");  // 苹果
    struct View {
        const char* name;
        void (*set)(kestran::WordRecord* table);
    };
    const View views[] = {
        {"start screen", [](kestran::WordRecord*) {}},
        {"practice word with a hit", [](kestran::WordRecord* t) {
             drill.WordTable = t;
             drill.wordCount = 3;
             drill.listLoaded = 1;
             drill.scrollX = 120;
             drill.practiceHitAnim = 1;
             drill.hitAnimX = 150;
             drill.animFrame = 15;  // a cell with soft edges
         }},
        {"test view", [](kestran::WordRecord* t) {
             drill.WordTable = t;
             drill.wordCount = 3;
             drill.listLoaded = 1;
             drill.testMode = 1;
             drill.testFinished = 0;
             drill.correctText.Set("7");
             drill.wrongText.Set("2");
         }},
    };
    for (const View& view : views) {
        SCOPED_TRACE(view.name);
        FramePixels frames[2];
        for (int i = 0; i < 2; ++i) {
            kestran::ResetDrillStateForTest();
            view.set(table.data());
            WindowsCanvasDevice& device = i == 0 ? static_cast<WindowsCanvasDevice&>(*direct3D) : *gdi;
            kestran::UseCanvasDevice(&device);
            ASSERT_TRUE(kestran::RenderFrame());
            frames[i] = ToPixels(device.LastFrame());
        }
        ASSERT_EQ(frames[0].width, 480);
        ASSERT_EQ(frames[1].width, 480);
        int differ = 0, most = 0;
        for (std::size_t p = 0; p < frames[0].rgb.size(); ++p) {
            const std::uint32_t a = frames[0].rgb[p], b = frames[1].rgb[p];
            if (a == b) continue;
            ++differ;
            for (int shift : {0, 8, 16})
                most = std::max(most, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
        }
        EXPECT_EQ(differ, 0) << "pixels differ, by up to " << most << " in a channel";
        EXPECT_GT(kestran::testing::InkIn(frames[1], Whole(frames[1]), frames[1].At(0, 74)).count, 100)
            << "something is drawn";
    }
    kestran::UseCanvasDevice(nullptr);
    kestran::ResetDrillStateForTest();
}

// A device whose resets fail while `broken`; it records what it draws with.
class FakeDevice final : public WindowsCanvasDevice {
public:
    FakeDevice(Kind kind, bool broken) : WindowsCanvasDevice(60), kind_(kind), broken_(broken) {}
    Kind DeviceKind() const override { return kind_; }
    plat::DeviceStatus TestCooperativeLevel() override {
        return broken_ ? plat::DeviceStatus::NotReset : plat::DeviceStatus::Ok;
    }
    bool Reset() override { return !broken_; }
    void Clear(plat::Argb) override {}
    void BeginScene() override {}
    void EndScene() override {}
    plat::CanvasFontObject* CreateFont(int, int, int, const char*) override { return nullptr; }
    int DrawText(plat::CanvasFontObject* font, const char*, int, const plat::Rect&, unsigned, plat::Argb) override {
        lastFont = font;
        return 0;
    }
    plat::CanvasTextureObject* CreateTextureFromFile(const char*, int, int, plat::Argb) override { return nullptr; }
    void SpriteBegin() override {}
    void SpriteDraw(plat::CanvasTextureObject*, const plat::Rect&, float, float, plat::Argb) override {}
    void SpriteEnd() override {}
    plat::DeviceStatus Present() override { return plat::DeviceStatus::Ok; }
    plat::CanvasFontObject* lastFont = nullptr;

private:
    Kind kind_;
    bool broken_;
};

TEST(CanvasChoiceTest, DeviceIsDirect3DWhenItCanBeHadAndGdiOtherwise) {
    CanvasWindow window;
    // Run again with d3d9.dll switched off (WINEDLLOVERRIDES=d3d9=d): the
    // program, which loads it only here, still gets a canvas.
    HMODULE direct3D = ::LoadLibraryW(L"d3d9.dll");
    std::printf("d3d9.dll %s\n", direct3D ? "loads" : "cannot be loaded");
    auto chosen = ChosenCanvasDevice::Create(window.handle());
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->CurrentKind(), direct3D ? WindowsCanvasDevice::Kind::Direct3D : WindowsCanvasDevice::Kind::Gdi);
    if (direct3D) ::FreeLibrary(direct3D);

    // A Direct3D that loads but makes no device.
    ChosenCanvasDevice noDevice(window.handle(), {[](HWND) { return std::unique_ptr<WindowsCanvasDevice>(); },
                                                  [](HWND w) -> std::unique_ptr<WindowsCanvasDevice> {
                                                      return GdiCanvasDevice::Create(w);
                                                  }});
    EXPECT_EQ(noDevice.CurrentKind(), WindowsCanvasDevice::Kind::Gdi);
    noDevice.KeepFrames(true);
    noDevice.Clear(0xFF0000FFu);
    ASSERT_EQ(noDevice.Present(), plat::DeviceStatus::Ok);
    EXPECT_EQ(noDevice.LastFrame().Pixel(10, 10), 0x000000FFu);
}

TEST(CanvasChoiceTest, ResetsFailingForASecondMakeTheDeviceAnewDirect3DFirst) {
    using Kind = WindowsCanvasDevice::Kind;
    using namespace std::chrono_literals;
    struct Case {
        const char* name;
        bool direct3DAgain;  // whether Direct3D can be had after the loss
        Kind then;
    };
    const Case cases[] = {{"Direct3D is back", true, Kind::Direct3D}, {"Direct3D is gone", false, Kind::Gdi}};
    CanvasWindow window;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ChosenCanvasDevice::Clock::time_point now{};
        int direct3DMade = 0;
        FakeDevice* latest = nullptr;
        ChosenCanvasDevice chosen(
            window.handle(),
            {[&](HWND) -> std::unique_ptr<WindowsCanvasDevice> {
                 // The first device is lost for good.
                 if (direct3DMade++ > 0 && !c.direct3DAgain) return nullptr;
                 auto device = std::make_unique<FakeDevice>(Kind::Direct3D, direct3DMade == 1);
                 latest = device.get();
                 return device;
             },
             [&](HWND) -> std::unique_ptr<WindowsCanvasDevice> {
                 auto device = std::make_unique<FakeDevice>(Kind::Gdi, false);
                 latest = device.get();
                 return device;
             }},
            [&] { return now; });
        plat::CanvasFontObject* font = chosen.CreateFont(21, 8, 0, "Georgia");
        ASSERT_NE(font, nullptr);
        ASSERT_EQ(chosen.TestCooperativeLevel(), plat::DeviceStatus::NotReset);
        for (auto at : {0ms, 500ms, 999ms}) {
            now = ChosenCanvasDevice::Clock::time_point{} + at;
            EXPECT_FALSE(chosen.Reset()) << at.count() << " ms";
        }
        EXPECT_EQ(direct3DMade, 1) << "retried in place for a second";
        now = ChosenCanvasDevice::Clock::time_point{} + 1s;
        EXPECT_TRUE(chosen.Reset());
        EXPECT_EQ(chosen.CurrentKind(), c.then);
        EXPECT_EQ(chosen.TestCooperativeLevel(), plat::DeviceStatus::Ok);
        // The renderer's font draws on the new device.
        chosen.DrawText(font, "a", 1, {0, 0, 480, 75}, 0, 0xFFFFFFFFu);
        EXPECT_EQ(latest->lastFont, font);
    }
}

}  // namespace

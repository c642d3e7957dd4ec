// Frames that would look like the one on screen are not drawn again, yet
// every frame still makes its state changes: the hit animation lasts 42
// frames however few are drawn.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "drill/drill_state.h"
#include "ui/canvas_layout.h"
#include "ui/renderer.h"

namespace kestran::testing {
namespace {

// Counts what reaches the display: frames presented, frames that kept the
// one on screen, and the texts of the last frame drawn.
class CountingDevice final : public plat::CanvasDevice {
public:
    int presents = 0, keeps = 0, resets = 0;
    plat::DeviceStatus level = plat::DeviceStatus::Ok;
    plat::DeviceStatus presentResult = plat::DeviceStatus::Ok;
    std::vector<std::string> texts;

    int Frames() const { return presents + keeps; }

    plat::DeviceStatus TestCooperativeLevel() override { return level; }
    bool Reset() override {
        ++resets;
        level = plat::DeviceStatus::Ok;
        return true;
    }
    void Clear(plat::Argb) override { texts.clear(); }
    void BeginScene() override {}
    void EndScene() override {}
    plat::CanvasFontObject* CreateFont(int, int, int, const char*) override {
        return reinterpret_cast<plat::CanvasFontObject*>(&fontTag_);
    }
    int DrawText(plat::CanvasFontObject*, const char* text, int length, const plat::Rect&, unsigned,
                 plat::Argb) override {
        texts.emplace_back(text, static_cast<std::size_t>(length));
        return 0;
    }
    plat::CanvasTextureObject* CreateTextureFromFile(const char*, int, int, plat::Argb) override {
        return reinterpret_cast<plat::CanvasTextureObject*>(&textureTag_);
    }
    void SpriteBegin() override {}
    void SpriteDraw(plat::CanvasTextureObject*, const plat::Rect&, float, float, plat::Argb) override {}
    void SpriteEnd() override {}
    plat::DeviceStatus Present() override {
        ++presents;
        return presentResult;
    }
    void KeepFrame() override { ++keeps; }

private:
    int fontTag_ = 0, textureTag_ = 0;
};

class FrameSkippingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetDrillStateForTest();
        table_.assign(3 + kSpareRecords, WordRecord{});
        std::strcpy(table_[0].word, "apple");
        std::strcpy(table_[0].meaning, "\xC6\xBB\xB9\xFB");
        drill.WordTable = table_.data();
        drill.wordCount = 3;
        drill.listLoaded = 1;
        drill.scrollX = 100;
        UseCanvasDevice(&device_);
    }
    void TearDown() override {
        UseCanvasDevice(nullptr);
        ResetDrillStateForTest();
    }
    void Frames(int count) {
        for (int i = 0; i < count; ++i) RenderFrame();
    }

    CountingDevice device_;
    std::vector<WordRecord> table_;
};

TEST_F(FrameSkippingTest, OnlyAChangeOnTheCanvasIsDrawnAndOtherFramesKeepTheOneOnScreen) {
    Frames(5);
    EXPECT_EQ(device_.presents, 1);
    EXPECT_EQ(device_.keeps, 4);

    struct Change {
        const char* what;
        void (*apply)();
    };
    const Change changes[] = {
        {"the word moves", [] { drill.scrollX = drill.scrollX + 1; }},
        {"the background colour", [] { drill.clearColour = 0xFF123456u; }},
        {"the word colour", [] { drill.wordColour = 0xFF654321u; }},
        {"the progress text", [] { drill.sequentialProgressText.Set("2"); }},
        {"the effects label", [] { drill.effectsOff = 1; }},
        {"the end of the pass", [] { drill.practiceFinished = 1; }},
        {"the test view", [] { drill.testMode = 1; }},
    };
    for (const Change& c : changes) {
        const int presents = device_.presents;
        c.apply();
        Frames(3);
        EXPECT_EQ(device_.presents, presents + 1) << c.what;
        EXPECT_EQ(device_.Frames(), 5 + 3 * static_cast<int>(&c - changes + 1)) << c.what;
    }
}

TEST_F(FrameSkippingTest, HitAnimationLastsFortyTwoFramesWithOneDrawnPerCell) {
    Frames(1);
    const int start = device_.Frames();
    const int presentsBefore = device_.presents;
    drill.practiceHitAnim = 1;
    drill.paused = 1;
    int frames = 0;
    while (drill.practiceHitAnim == 1 && frames < 100) {
        RenderFrame();
        frames = device_.Frames() - start;
        // The paused hold and the frame counter move on in skipped frames too.
        if (drill.practiceHitAnim == 1) {
            ASSERT_EQ(drill.animFrame, frames);
        }
    }
    EXPECT_EQ(frames, canvas::kAnimFrames);
    EXPECT_EQ(drill.paused, 0);
    // Each of the six cells shows once; the frames between look the same.
    EXPECT_EQ(device_.presents - presentsBefore, canvas::kAnimCellCount);
    Frames(1);
    EXPECT_EQ(device_.presents - presentsBefore, canvas::kAnimCellCount + 1) << "the cell is taken away";
}

TEST_F(FrameSkippingTest, StateChangesOfSkippedFramesStillHappen) {
    drill.practiceFinished = 1;
    Frames(2);
    drill.paused = 0;  // a click elsewhere; the end message holds it again
    Frames(1);
    EXPECT_EQ(drill.paused, 1);
    EXPECT_EQ(device_.presents, 1);

    drill.testMode = 1;
    drill.testFinished = 1;
    drill.resultPending = 1;
    drill.resultText.Set("R");
    Frames(3);
    drill.resultPending = 0;  // acknowledged: the next frame resets the test
    drill.correctCount = 5;
    Frames(1);
    EXPECT_EQ(drill.testFinished, 0);
    EXPECT_EQ(drill.correctCount, 0);
}

TEST_F(FrameSkippingTest, AFrameNotShownOrALostSurfaceIsDrawnAgain) {
    Frames(1);
    device_.presentResult = plat::DeviceStatus::Lost;
    drill.scrollX = drill.scrollX + 1;
    Frames(1);
    device_.presentResult = plat::DeviceStatus::Ok;
    Frames(1);
    EXPECT_EQ(device_.presents, 3) << "the unchanged frame after a failed present is presented";
    Frames(1);
    EXPECT_EQ(device_.presents, 3);

    device_.level = plat::DeviceStatus::Lost;  // e.g. the window changed size
    Frames(1);
    EXPECT_EQ(device_.resets, 1);
    EXPECT_EQ(device_.presents, 4);
    EXPECT_FALSE(device_.texts.empty());
}

}  // namespace
}  // namespace kestran::testing

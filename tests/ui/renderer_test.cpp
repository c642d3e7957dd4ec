// Canvas frames drawn from the drill state, checked by pixel, and the state
// changes each frame makes.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "drill/drill_state.h"
#include "drill/texts.h"
#include "platform/qt/qt_canvas.h"
#include "tests/ui/canvas_pixels.h"
#include "tests/ui/temp_res_dir.h"
#include "ui/canvas_layout.h"
#include "ui/renderer.h"

namespace kestran::testing {
namespace {

using namespace canvas;

// Test colours that tell the items apart: words red, labels green.
constexpr plat::Argb kBackground = 0xFF000000u;
constexpr plat::Argb kWordRed = 0xFFFF0000u;
constexpr plat::Argb kLabelGreen = 0xFF00FF00u;
const QRect kCanvas(0, 0, 480, 75);

struct Entry {
    const char* word;
    const char* meaning;  // GBK
};
// 苹果, 香蕉, 樱桃
const Entry kEntries[] = {{"apple", "\xC6\xBB\xB9\xFB"}, {"banana", "\xCF\xE3\xBD\xB6"}, {"cherry", "\xD3\xA3\xCC\xD2"}};

class RendererTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetDrillStateForTest();
        ASSERT_TRUE(TestAnimStrip().save(QString::fromStdString(dir_.Res("27.png").string())));
        device_ = std::make_unique<plat::qt::QtCanvasDevice>(QSize(480, 75));
        UseCanvasDevice(device_.get());
        drill.clearColour = kBackground;
        drill.wordColour = kWordRed;
        drill.labelColour = kLabelGreen;
    }
    void TearDown() override { ResetDrillStateForTest(); }

    // A list of entries plus three spare records that must never be shown.
    void LoadList(int count) {
        table_.assign(count + kSpareRecords, WordRecord{});
        for (int i = 0; i < count + kSpareRecords; ++i) {
            const Entry& e = i < count ? kEntries[i % 3] : Entry{"SPARE", "SPARE"};
            std::strncpy(table_[i].word, e.word, kWordFieldSize - 1);
            std::strncpy(table_[i].meaning, e.meaning, kWordFieldSize - 1);
        }
        drill.WordTable = table_.data();
        drill.wordCount = count;
        drill.listLoaded = 1;
    }
    void SetMeaning(int index, const char* gbk) {
        std::memset(table_[index].meaning, 0, kWordFieldSize);
        std::strncpy(table_[index].meaning, gbk, kWordFieldSize - 1);
    }

    QImage Render() {
        RenderFrame();
        return device_->LastFrame();
    }

    // A finished test whose result waits: resultText complete first.
    void FinishTest(const char* result) {
        drill.resultText.Set(result);
        drill.testFinished.store(1, std::memory_order_release);
        drill.resultPending = 1;
    }

    TempResDir dir_;
    std::unique_ptr<plat::qt::QtCanvasDevice> device_;
    std::vector<WordRecord> table_;
};

// The top of the band the moving word and meaning occupy, below the labels.
const QRect kWordBand(0, 20, 480, 36);

TEST_F(RendererTest, BackgroundFollowsTheColourScheme) {
    for (plat::Argb clear : {0xFF0000FFu, 0xFF000000u}) {
        drill.clearColour = clear;
        const QImage frame = Render();
        EXPECT_EQ(frame.pixel(0, 0), clear);
        EXPECT_EQ(frame.pixel(479, 74), clear);
        EXPECT_EQ(frame.pixel(240, 2), clear);
    }
}

TEST_F(RendererTest, WithoutAListOnlyTheCreditLineIsShownCentred) {
    drill.practiceHitAnim = 1;  // no animation either
    const QImage frame = Render();
    const Ink credit = RedInk(frame, kCanvas);
    ASSERT_GT(credit.count, 100);
    EXPECT_NEAR(credit.bounds.center().x(), 240, 4);
    EXPECT_NEAR(credit.bounds.center().y(), 37, 4);
    EXPECT_GT(credit.bounds.left(), 0);  // the whole line fits
    EXPECT_LT(credit.bounds.right(), 479);
    EXPECT_EQ(GreenInk(frame, kCanvas).count, 0);
    EXPECT_EQ(InkWhere(frame, kCanvas, [](QRgb p) { return qBlue(p) > 40; }).count, 0);
    EXPECT_EQ(drill.animFrame, 0);
}

TEST_F(RendererTest, PracticeViewShowsLabelsWordMeaningAndProgress) {
    LoadList(3);
    drill.scrollX = 100;
    drill.sequentialProgressText.Set("2");
    const QImage frame = Render();
    struct Where {
        const char* item;
        QRect area;
        bool red;
    };
    const Where expected[] = {
        {"order label", QRect(10, 0, 50, 18), false},
        {"practice mode label", QRect(190, 0, 100, 20), false},
        {"effects label", QRect(190, 59, 100, 16), false},
        {"progress", QRect(440, 56, 30, 19), false},
        {"word", QRect(100, 16, 100, 20), true},
        {"meaning", QRect(100, 38, 100, 18), true},
    };
    for (const Where& w : expected) {
        const Ink ink = w.red ? RedInk(frame, w.area) : GreenInk(frame, w.area);
        EXPECT_GT(ink.count, 10) << w.item;
    }
    EXPECT_EQ(RedInk(frame, QRect(0, 16, 100, 59)).count, 0);  // nothing left of scrollX
    EXPECT_EQ(RedInk(frame, QRect(0, 0, 480, 16)).count, 0);   // no red in the label row
    // Labels and progress only where they belong.
    EXPECT_EQ(GreenInk(frame, QRect(0, 20, 480, 36)).count, 0);
}

TEST_F(RendererTest, MovingWordIsDrawnAtScrollXOnBothSidesOfTheCanvas) {
    LoadList(3);
    drill.scrollX = 0;
    const QImage atZero = Render();
    drill.scrollX = -19;
    const QImage atMinus19 = Render();
    drill.scrollX = 100;
    const QImage at100 = Render();
    drill.scrollX = 470;
    const QImage at470 = Render();
    drill.scrollX = 479;
    const QImage at479 = Render();

    // The word and meaning move as one picture, cut only by the canvas.
    EXPECT_GT(RedInk(atMinus19, kWordBand).count, 20);
    EXPECT_TRUE(SameArea(atMinus19, QRect(0, 20, 460, 36), atZero, QPoint(19, 0)));
    EXPECT_TRUE(SameArea(at470, QRect(470, 20, 10, 36), at100, QPoint(-370, 0)));
    EXPECT_GT(RedInk(at470, QRect(470, 16, 10, 40)).count, 0);
    // At 479 nothing is drawn to the left of the word's rectangle.
    EXPECT_EQ(RedInk(at479, QRect(0, 16, 479, 59)).count, 0);
    EXPECT_TRUE(SameArea(at479, QRect(479, 20, 1, 36), at100, QPoint(-379, 0)));
}

TEST_F(RendererTest, OrderAndEffectsLabelsFollowTheirFlags) {
    LoadList(3);
    drill.scrollX = 300;
    drill.randomProgressText.Set("3");
    const QImage fileOrderOn = Render();
    drill.randomOrder = 1;
    drill.effectsOff = 1;
    const QImage randomOff = Render();
    EXPECT_FALSE(SameArea(fileOrderOn, QRect(10, 0, 50, 20), randomOff, QPoint(0, 0)));
    EXPECT_FALSE(SameArea(fileOrderOn, QRect(0, 59, 480, 16), randomOff, QPoint(0, 0)));
    // Random order shows randomProgressText, file order sequentialProgressText ("1").
    drill.randomProgressText.Set("1");
    const QImage randomOne = Render();
    EXPECT_TRUE(SameArea(randomOne, QRect(400, 56, 70, 19), fileOrderOn, QPoint(0, 0)));
}

TEST_F(RendererTest, EndOfPracticeShowsTheMessageInsteadOfTheWordAndHoldsThePause) {
    LoadList(3);
    drill.scrollX = 5;
    drill.practiceFinished = 1;
    drill.paused = 0;
    const QImage frame = Render();
    EXPECT_EQ(drill.paused, 1);
    const Ink message = RedInk(frame, kCanvas);
    ASSERT_GT(message.count, 100);
    EXPECT_NEAR(message.bounds.center().x(), 240, 4);
    EXPECT_GT(message.bounds.left(), 60);  // no word at the left edge
    EXPECT_GT(GreenInk(frame, QRect(190, 0, 100, 20)).count, 10);  // the mode label stays

    drill.paused = 0;  // toggled elsewhere: the next frame sets it again
    Render();
    EXPECT_EQ(drill.paused, 1);
    drill.practiceFinished = 0;
    drill.paused = 0;
    Render();
    EXPECT_EQ(drill.paused, 0);
}

TEST_F(RendererTest, TestViewShowsMeaningLabelsAndCounters) {
    LoadList(3);
    drill.testMode = 1;
    drill.testIndex = 1;
    drill.correctText.Set("12");
    drill.wrongText.Set("34");
    // Long enough to reach x 338 if the progress were drawn here.
    drill.sequentialProgressText.Set("1234567890123456789012345");
    drill.resultPending = 0;  // acknowledged long ago: a running test is not reset
    const QImage frame = Render();
    EXPECT_EQ(drill.correctText.Str(), "12");
    EXPECT_EQ(drill.wrongText.Str(), "34");
    struct Where {
        const char* item;
        plat::Rect rect;
    };
    const Where labels[] = {{"correct label", correctLabelRect}, {"correct count", correctCountRect},
                            {"wrong label", wrongLabelRect},     {"wrong count", wrongCountRect},
                            {"test mode label", {190, 0, 290, 20}}, {"order label", orderLabelRect}};
    for (const Where& w : labels) EXPECT_GT(GreenInk(frame, ToQRect(w.rect)).count, 5) << w.item;
    EXPECT_EQ(GreenInk(frame, QRect(280, 56, 58, 19)).count, 0);  // no progress in the test view

    const Ink meaning = RedInk(frame, kCanvas);
    ASSERT_GT(meaning.count, 30);
    EXPECT_NEAR(meaning.bounds.center().x(), 240, 4);
    EXPECT_NEAR(meaning.bounds.center().y(), 37, 4);
    // It is the meaning of record testIndex.
    SetMeaning(1, "\xCE\xF7\xB9\xCF");  // 西瓜
    EXPECT_NE(Render(), frame);
    SetMeaning(0, "\xCC\xD2");  // another record changes nothing
    SetMeaning(1, kEntries[1].meaning);
    EXPECT_EQ(Render(), frame);
}

TEST_F(RendererTest, ResultReplacesTheMeaningUntilAcknowledged) {
    LoadList(3);
    drill.testMode = 1;
    FinishTest("\xB2\xE2\xCA\xD4\xB3\xC9\xBC\xA8: 66 \xB7\xD6");
    const QImage shown = Render();
    EXPECT_EQ(drill.testFinished, 1);  // nothing resets while the result waits
    const Ink result = RedInk(shown, kCanvas);
    ASSERT_GT(result.count, 100);
    EXPECT_NEAR(result.bounds.center().x(), 240, 4);
    // The meaning is not drawn: changing it changes nothing.
    SetMeaning(0, "\xCE\xF7\xB9\xCF");
    EXPECT_EQ(Render(), shown);
    // The result is drawn: changing it changes the frame.
    drill.resultText.Set("\xB2\xE2\xCA\xD4\xB3\xC9\xBC\xA8: 99 \xB7\xD6");
    EXPECT_NE(Render(), shown);
}

TEST_F(RendererTest, AcknowledgedResultResetsTheTestAndTheSameFrameAsksTheNextWord) {
    LoadList(3);
    drill.testMode = 1;
    drill.testIndex = 2;
    drill.testDrawn = 2;
    drill.sequentialAnswered = 1;
    drill.testRandomStarted = 1;
    drill.correctCount = 2;
    drill.wrongCount = 1;
    drill.correctText.Set("2");
    drill.wrongText.Set("1");
    drill.correctTotalF = 2.0f;
    drill.sequentialCorrectF = 2.0f;
    drill.randomAnswered = 3;
    drill.testScore = 66;
    drill.scoreText.Set("66");
    FinishTest("\xB2\xE2\xCA\xD4\xB3\xC9\xBC\xA8: 66 \xB7\xD6");
    drill.resultPending = 0;

    const QImage resetFrame = Render();

    EXPECT_EQ(drill.testFinished, 0);
    EXPECT_EQ(drill.correctCount, 0);
    EXPECT_EQ(drill.wrongCount, 0);
    EXPECT_EQ(drill.correctTotalF, 0.0f);
    EXPECT_EQ(drill.sequentialCorrectF, 0.0f);
    EXPECT_EQ(drill.correctText.Str(), "0");
    EXPECT_EQ(drill.wrongText.Str(), "0");
    EXPECT_EQ(drill.resultText.Str(), texts::kResultPrefix);
    const auto resultBytes = drill.resultText.Get();
    for (std::size_t i = sizeof texts::kResultPrefix - 1; i < resultBytes.size(); ++i) ASSERT_EQ(resultBytes[i], 0);
    EXPECT_EQ(drill.scoreText.Str(), "");
    EXPECT_EQ(drill.testScore, 0);
    EXPECT_EQ(drill.randomAnswered, 0);
    // Carried on into the next test.
    EXPECT_EQ(drill.testIndex, 2);
    EXPECT_EQ(drill.testDrawn, 2);
    EXPECT_EQ(drill.sequentialAnswered, 1);
    EXPECT_EQ(drill.testRandomStarted, 1);

    // The resetting frame shows the old result and the next meaning; the
    // frame after it only the meaning.
    const QImage next = Render();
    EXPECT_NE(resetFrame, next);
    SetMeaning(2, "\xCE\xF7\xB9\xCF");
    EXPECT_NE(Render(), next);
    SetMeaning(2, kEntries[2].meaning);
    EXPECT_EQ(Render(), next);
    // resetFrame = next + the result line: every inked pixel of next is in it.
    EXPECT_GT(RedInk(resetFrame, kCanvas).count, RedInk(next, kCanvas).count);
}

TEST_F(RendererTest, ResultAlreadyAcknowledgedShowsForOneFrame) {
    LoadList(3);
    drill.testMode = 1;
    FinishTest("\xB2\xE2\xCA\xD4\xB3\xC9\xBC\xA8: 100 \xB7\xD6");
    drill.resultPending = 0;
    const QImage first = Render();
    drill.resultText.Set("\xB2\xE2\xCA\xD4\xB3\xC9\xBC\xA8: 0 \xB7\xD6");  // ignored now
    const QImage second = Render();
    drill.resultText.Set(texts::kResultPrefix);
    EXPECT_EQ(Render(), second);
    EXPECT_NE(first, second);
}

TEST_F(RendererTest, TestHitAnimationHoldsBackTheResultAndTheReset) {
    LoadList(3);
    drill.testMode = 1;
    FinishTest("\xB2\xE2\xCA\xD4\xB3\xC9\xBC\xA8: 100 \xB7\xD6");
    drill.resultPending = 0;
    drill.testHitAnim = 1;
    drill.animFrame = 40;
    const QImage during = Render();
    EXPECT_EQ(drill.testFinished, 1);  // no reset while the animation plays
    EXPECT_EQ(drill.testHitAnim, 1);
    drill.resultText.Set("\xB2\xE2\xCA\xD4\xB3\xC9\xBC\xA8: 5 \xB7\xD6");
    drill.animFrame = 40;
    EXPECT_EQ(Render(), during);  // neither result nor meaning drawn
    Render();                      // frame 41: the last cell, the flag clears
    EXPECT_EQ(drill.testHitAnim, 0);
    EXPECT_EQ(drill.testFinished, 1);
    Render();  // the result, and the reset
    EXPECT_EQ(drill.testFinished, 0);
}

// Where each hit animation stands, and which cell it shows for animFrame.
TEST_F(RendererTest, HitAnimationsDrawTheCellOfTheirFrameAtTheirPlace) {
    struct Case {
        int animFrame;
        int cell;  // -1: none
        bool completes;
    };
    const Case cases[] = {{0, 0, false}, {6, 0, false}, {7, 1, false}, {41, 5, true}, {42, -1, true}};
    struct Anim {
        const char* name;
        bool test;
        QPoint at;
    };
    const Anim anims[] = {{"practice", false, QPoint(50, 20)}, {"test", true, QPoint(220, 20)}};
    for (const Anim& a : anims)
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(a.name) + " frame " + std::to_string(c.animFrame));
            ResetDrillStateForTest();
            drill.clearColour = kBackground;
            drill.wordColour = kWordRed;
            drill.labelColour = kLabelGreen;
            LoadList(3);
            drill.scrollX = 300;
            drill.hitAnimX = 50;
            drill.paused = 1;
            drill.testMode = a.test ? 1 : 0;
            (a.test ? drill.testHitAnim : drill.practiceHitAnim) = 1;
            drill.animFrame = c.animFrame;

            const QImage frame = Render();
            const QRect opaqueHalf(a.at, QSize(19, 38));
            const QRect keyedHalf(a.at + QPoint(19, 0), QSize(19, 38));
            if (c.cell >= 0) {
                EXPECT_EQ(InkOn(frame, opaqueHalf, qRgb(0, 0, CellBlue(c.cell))).count, 0);
                EXPECT_EQ(InkWhere(frame, keyedHalf, [](QRgb p) { return qBlue(p) > 40; }).count, 0);
            } else {
                EXPECT_EQ(InkWhere(frame, kCanvas, [](QRgb p) { return qBlue(p) > 40; }).count, 0);
            }
            // Nothing of the strip outside the cell's square.
            EXPECT_EQ(InkWhere(frame, QRect(0, 0, 480, 20), [](QRgb p) { return qBlue(p) > 40; }).count, 0);
            EXPECT_EQ(InkWhere(frame, QRect(a.at.x() - 10, 20, 10, 38), [](QRgb p) { return qBlue(p) > 40; }).count, 0);

            EXPECT_EQ(drill.animFrame, c.completes ? 0 : c.animFrame + 1);
            const bool flag = a.test ? drill.testHitAnim == 1 : drill.practiceHitAnim == 1;
            EXPECT_EQ(flag, !c.completes);
            // The test animation leaves the pause alone.
            EXPECT_EQ(drill.paused, a.test || !c.completes ? 1 : 0);
        }
}

TEST_F(RendererTest, PracticeAnimationLastsFortyTwoFramesAndReleasesTheTicker) {
    LoadList(3);
    drill.practiceHitAnim = 1;
    drill.paused = 1;
    for (int frame = 1; frame < kAnimFrames; ++frame) {
        Render();
        ASSERT_EQ(drill.practiceHitAnim, 1) << frame;
        ASSERT_EQ(drill.paused, 1) << frame;
        ASSERT_EQ(drill.animFrame, frame);
    }
    Render();
    EXPECT_EQ(drill.practiceHitAnim, 0);
    EXPECT_EQ(drill.paused, 0);
    EXPECT_EQ(drill.animFrame, 0);
}

TEST_F(RendererTest, AnimationConditionsHoldTheSharedFrameCounter) {
    LoadList(3);
    struct Case {
        const char* name;
        void (*set)();
        int expectedAdvance;
    };
    const Case cases[] = {
        {"practice", [] { drill.practiceHitAnim = 1; }, 1},
        {"practice with effects off", [] { drill.practiceHitAnim = 1; drill.effectsOff = 1; }, 0},
        {"practice without a list", [] { drill.practiceHitAnim = 1; drill.listLoaded = 0; }, 0},
        {"practice in the test view", [] { drill.practiceHitAnim = 1; drill.testMode = 1; }, 1},
        {"test", [] { drill.testHitAnim = 1; drill.testMode = 1; }, 1},
        {"test while blocked", [] { drill.testHitAnim = 1; drill.testMode = 1; drill.hitAnimBlocked = 1; }, 0},
        {"test in the practice view", [] { drill.testHitAnim = 1; }, 0},
        {"test with effects off", [] { drill.testHitAnim = 1; drill.testMode = 1; drill.effectsOff = 1; }, 0},
        {"both at once", [] { drill.testHitAnim = 1; drill.practiceHitAnim = 1; drill.testMode = 1; }, 2},
    };
    for (const Case& c : cases) {
        drill.practiceHitAnim = 0;
        drill.testHitAnim = 0;
        drill.effectsOff = 0;
        drill.listLoaded = 1;
        drill.testMode = 0;
        drill.hitAnimBlocked = 0;
        drill.animFrame = 10;
        c.set();
        Render();
        EXPECT_EQ(drill.animFrame, 10 + c.expectedAdvance) << c.name;
    }
}

TEST_F(RendererTest, ClearedFlagLeavesTheFrameCounterWhereItWas) {
    LoadList(3);
    drill.practiceHitAnim = 1;
    for (int i = 0; i < 3; ++i) Render();
    drill.practiceHitAnim = 0;  // e.g. the ticker gave up the wait
    Render();
    Render();
    EXPECT_EQ(drill.animFrame, 3);
    drill.testMode = 1;
    drill.testHitAnim = 1;  // the next animation starts from there
    for (int i = 3; i < kAnimFrames - 1; ++i) Render();
    EXPECT_EQ(drill.testHitAnim, 1);
    Render();
    EXPECT_EQ(drill.testHitAnim, 0);
}

TEST_F(RendererTest, NoRecordBeyondTheListIsShown) {
    struct Case {
        const char* name;
        int count;
        int practiceIndex, testIndex;
        bool test;
    };
    const Case cases[] = {
        {"empty list, practice", 0, 0, 0, false},
        {"empty list, test", 0, 0, 0, true},
        {"index at the end of the list", 3, 3, 0, false},
        {"test index at the end", 3, 0, 3, true},
        {"negative index", 3, -1, -1, false},
    };
    for (const Case& c : cases) {
        LoadList(c.count);
        drill.scrollX = 100;
        drill.testMode = c.test ? 1 : 0;
        drill.practiceIndex = c.practiceIndex;
        drill.testIndex = c.testIndex;
        const QImage frame = Render();
        EXPECT_EQ(RedInk(frame, kCanvas).count, 0) << c.name;
        EXPECT_GT(GreenInk(frame, kCanvas).count, 0) << c.name;  // the rest of the view is there
    }
    drill.WordTable = nullptr;  // a loaded flag without a table
    drill.wordCount = 3;
    EXPECT_EQ(RedInk(Render(), kCanvas).count, 0);
}

TEST_F(RendererTest, ALostDeviceIsResetAndDrawsOnWithItsStrip) {
    LoadList(3);
    drill.practiceHitAnim = 1;
    drill.hitAnimX = 50;
    Render();
    device_->SetOffscreenClientSize(QSize(480, 75));  // same size: still fine
    device_->SetOffscreenPresentFails(true);
    drill.scrollX = 300;  // a frame that differs, so it is presented
    Render();  // not shown: the device is lost
    device_->SetOffscreenPresentFails(false);
    const QImage recovered = Render();
    EXPECT_EQ(drill.animFrame, 3);  // frames went on while the surface was gone
    EXPECT_EQ(InkOn(recovered, QRect(50, 20, 19, 38), qRgb(0, 0, CellBlue(0))).count, 0);

    device_->SetOffscreenClientSize(QSize(300, 60));
    const QImage resized = Render();
    EXPECT_EQ(resized.size(), QSize(300, 60));
    EXPECT_EQ(InkOn(resized, QRect(50, 20, 19, 38), qRgb(0, 0, CellBlue(0))).count, 0);
}

TEST_F(RendererTest, MissingStripLeavesTheAnimationInvisibleButTimed) {
    std::filesystem::remove(dir_.Res("27.png"));
    plat::qt::QtCanvasDevice device(QSize(480, 75));
    UseCanvasDevice(&device);
    LoadList(3);
    drill.hitAnimX = 50;
    drill.practiceHitAnim = 1;
    for (int frame = 0; frame < kAnimFrames; ++frame) {
        RenderFrame();
        ASSERT_EQ(InkWhere(device.LastFrame(), kCanvas, [](QRgb p) { return qBlue(p) > 40; }).count, 0);
    }
    EXPECT_EQ(drill.practiceHitAnim, 0);
    EXPECT_EQ(drill.animFrame, 0);
    UseCanvasDevice(device_.get());
}

// Without any drawing device every frame still makes its state changes, so
// the ticker's wait, the end of a pass and the next test never hang.
TEST_F(RendererTest, WithoutADeviceFramesStillChangeTheState) {
    UseCanvasDevice(nullptr);
    LoadList(3);
    drill.practiceHitAnim = 1;
    drill.paused = 1;
    for (int frame = 0; frame < kAnimFrames; ++frame) RenderFrame();
    EXPECT_EQ(drill.practiceHitAnim, 0);
    EXPECT_EQ(drill.paused, 0);

    drill.practiceFinished = 1;
    RenderFrame();
    EXPECT_EQ(drill.paused, 1);

    drill.testMode = 1;
    drill.testHitAnim = 1;
    FinishTest("\xB2\xE2\xCA\xD4\xB3\xC9\xBC\xA8: 50 \xB7\xD6");
    drill.resultPending = 0;
    drill.correctCount = 4;
    for (int frame = 0; frame < kAnimFrames; ++frame) RenderFrame();
    EXPECT_EQ(drill.testHitAnim, 0);
    EXPECT_EQ(drill.testFinished, 1);
    RenderFrame();
    EXPECT_EQ(drill.testFinished, 0);
    EXPECT_EQ(drill.correctCount, 0);
    UseCanvasDevice(device_.get());
}

}  // namespace
}  // namespace kestran::testing

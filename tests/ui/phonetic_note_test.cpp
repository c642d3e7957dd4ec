// The note a feature shows beside the moving word (显示音标): where it is
// drawn, that it touches nothing else, and that the canvas is unchanged
// without it. That the note's face has the phonetic symbols is the canvas
// devices' check (canvas_device_checks.h).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "platform/qt/qt_canvas.h"
#include "tests/ui/canvas_pixels.h"
#include "tests/ui/temp_res_dir.h"
#include "ui/canvas_layout.h"
#include "ui/renderer.h"

namespace kestran::testing {
namespace {

constexpr plat::Argb kWordRed = 0xFFFF0000u;
constexpr plat::Argb kLabelGreen = 0xFF00FF00u;

std::string note;  // what the feature answers; empty: no note
bool NoteOf(const WordRecord&, std::string_view& answer) {
    if (note.empty()) return false;
    answer = note;
    return true;
}

class PhoneticNoteTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetDrillStateForTest();
        device_ = std::make_unique<plat::qt::QtCanvasDevice>(QSize(480, 75));
        UseCanvasDevice(device_.get());
        drill.clearColour = 0xFF000000u;
        drill.wordColour = kWordRed;
        drill.labelColour = kLabelGreen;
        hooks::practiceWordNote.Add(NoteOf);
        note.clear();
    }
    void TearDown() override {
        hooks::practiceWordNote.ClearForTest();
        ResetDrillStateForTest();
    }
    void Show(const char* word, int scrollX) {
        table_.assign(4, WordRecord{});
        std::strncpy(table_[0].word, word, kWordFieldSize - 1);
        std::strncpy(table_[0].meaning, "\xC6\xBB\xB9\xFB\xA3\xBB\xCB\xAE\xB9\xFB", kWordFieldSize - 1);  // 苹果；水果
        drill.WordTable = table_.data();
        drill.wordCount = 1;
        drill.listLoaded = 1;
        drill.scrollX = scrollX;
    }
    QImage Render() {
        RenderFrame();
        return device_->LastFrame();
    }

    TempResDir dir_;
    std::unique_ptr<plat::qt::QtCanvasDevice> device_;
    std::vector<WordRecord> table_;
};

// Green: the label colour the note is drawn in; the labels and the progress
// stay in their rows, so green in the word's band is the note.
const QRect kWordBand(0, 16, 480, 40);
const QRect kWordRow(0, 16, 480, 20);      // the word's glyphs
const QRect kMeaningRows(0, 38, 480, 18);  // the meaning's

TEST_F(PhoneticNoteTest, DrawnRightOfTheWordAndClearOfEverythingElse) {
    struct Case {
        const char* word;
        int scrollX;
    };
    for (const Case c : {Case{"tomato", 40}, Case{"a", 100}, Case{"tomato", -30}}) {
        Show(c.word, c.scrollX);
        note.clear();
        const QImage without = Render();
        const Ink word = RedInk(without, kWordRow);
        note = "t\xC9\x99\xCB\x88m\xC9\x91\xCB\x90t\xC9\x99\xCA\x8A";  // təˈmɑːtəʊ
        const QImage frame = Render();
        const Ink ink = GreenInk(frame, kWordBand);
        ASSERT_GT(ink.count, 30) << c.word;
        // Right of the word and of the hit animation's cell, which stands at scrollX.
        EXPECT_GT(ink.bounds.left(), word.bounds.right() + 2) << c.word;
        EXPECT_GE(ink.bounds.left(), c.scrollX + canvas::kAnimCellSize) << c.word;
        // Below the mode label, above the meaning's glyphs.
        EXPECT_GE(ink.bounds.top(), canvas::kNoteTop) << c.word;
        EXPECT_LT(ink.bounds.bottom(), canvas::kNoteBottom) << c.word;
        EXPECT_EQ(RedInk(frame, kWordBand).count, RedInk(without, kWordBand).count)
            << c.word << ": the word and meaning are untouched";
        EXPECT_EQ(GreenInk(frame, kMeaningRows).count, 0) << c.word;
    }
}

// Nor in the test view, which shows no note at all.
TEST_F(PhoneticNoteTest, WithoutANoteEveryPixelIsAsBefore) {
    Show("tomato", 60);
    for (const int testMode : {0, 1}) {
        SCOPED_TRACE(testMode ? "the test view, a note given" : "practice, no note given");
        drill.testMode = testMode;
        hooks::practiceWordNote.ClearForTest();
        const QImage before = Render();
        hooks::practiceWordNote.Add(NoteOf);
        note = testMode ? "x" : "";
        drill.testMode = !testMode;
        Render();  // a different frame in between, so the next is drawn anew
        drill.testMode = testMode;
        EXPECT_EQ(Render(), before);
    }
}

}  // namespace
}  // namespace kestran::testing

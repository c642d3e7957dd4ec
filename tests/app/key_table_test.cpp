// The UiThread key table and the canvas clicks, through the real message loop
// on the headless backend.
#include <gtest/gtest.h>

#include "ui/canvas_proc.h"
#include "app/key_table.h"
#include "drill/texts.h"
#include "tests/app/app_fixture.h"

namespace kestran {
namespace {

using testing::HeadlessAppTest;

class KeyTable : public HeadlessAppTest {};

TEST_F(KeyTable, FirstSpaceAfterStartAcknowledgesAndTypesNothing) {
    Type("abc");
    drill.paused = 1;
    ASSERT_EQ(drill.resultPending, 1) << "start value";
    PostKey(plat::VK_SPACE);
    RunLoop();
    EXPECT_EQ(AnswerText(), "") << "the acknowledgement clears the box and types no space";
    EXPECT_EQ(drill.resultPending, 0);
    EXPECT_EQ(drill.practiceFinished, 0);
    EXPECT_EQ(drill.paused, 0);

    // Nothing waits now: the next Space is an ordinary key for the box.
    Type("ab");
    PostKey(plat::VK_SPACE);
    RunLoop();
    EXPECT_EQ(AnswerText(), "ab ");
}

TEST_F(KeyTable, SpaceAfterARandomPassRestartsTheProgressCount) {
    struct Case {
        int randomOrder;
        const char* progressAfter;
    } cases[] = {{1, "1"}, {0, "7"}};
    for (const Case& c : cases) {
        drill.randomOrder = static_cast<std::uint8_t>(c.randomOrder);
        drill.practiceFinished = 1;
        drill.randomProgress = 7;
        drill.randomProgressText.Set("7");
        EXPECT_FALSE(HandleKeyDown(plat::VK_SPACE));
        EXPECT_EQ(drill.randomProgressText.Str(), c.progressAfter) << "randomOrder " << c.randomOrder;
        EXPECT_EQ(drill.randomProgress, c.randomOrder ? 1 : 7);
        EXPECT_EQ(drill.practiceFinished, 0);
    }
}

TEST_F(KeyTable, UpAndDownToggleThePauseAndAreInterchangeable) {
    drill.paused = 0;
    EXPECT_TRUE(HandleKeyDown(plat::VK_UP));
    EXPECT_EQ(drill.paused, 1);
    EXPECT_TRUE(HandleKeyDown(plat::VK_UP));
    EXPECT_EQ(drill.paused, 0) << "Up twice leaves the pause as it was";
    HandleKeyDown(plat::VK_DOWN);
    EXPECT_EQ(drill.paused, 1);
    HandleKeyDown(plat::VK_UP);
    EXPECT_EQ(drill.paused, 0);
}

TEST_F(KeyTable, CtrlArrowsNudgeTheWordWithinTheirBounds) {
    struct Case {
        int key;
        int from;
        std::vector<int> after;  // scrollX after each press
    } cases[] = {
        {plat::VK_LEFT, -20, {-20}},       {plat::VK_LEFT, 7, {5, 5}},       {plat::VK_LEFT, 6, {4, 4}},
        {plat::VK_RIGHT, 450, {452, 452}}, {plat::VK_RIGHT, 449, {451, 451}},
    };
    backend.windows.SetKeyDown(plat::VK_CONTROL, true);
    for (const Case& c : cases) {
        drill.scrollX = c.from;
        for (int expected : c.after) {
            drill.paused = 0;
            EXPECT_TRUE(HandleKeyDown(c.key));
            EXPECT_EQ(drill.scrollX, expected) << "key " << c.key << " from " << c.from;
            EXPECT_EQ(drill.paused, 1);
        }
    }
}

TEST_F(KeyTable, ArrowsWithoutCtrlChangeNothingAndReachTheControl) {
    backend.windows.SetKeyDown(plat::VK_CONTROL, false);
    drill.scrollX = 100;
    drill.paused = 0;
    EXPECT_TRUE(HandleKeyDown(plat::VK_LEFT));
    EXPECT_TRUE(HandleKeyDown(plat::VK_RIGHT));
    EXPECT_EQ(drill.scrollX, 100);
    EXPECT_EQ(drill.paused, 0);
}

TEST_F(KeyTable, EscAsksOwnedByTheCanvasAndCancelChangesNothing) {
    Canvas = reinterpret_cast<plat::Window>(answerBox);  // any window will do as owner
    drill.paused = 1;
    backend.windows.messageBoxAnswer = [](const auto&) { return plat::IDCANCEL; };
    EXPECT_TRUE(HandleKeyDown(plat::VK_ESCAPE)) << "after Cancel the key is handed on";
    auto boxes = backend.windows.MessageBoxCalls();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, texts::kExitQuestion);
    EXPECT_EQ(boxes[0].caption, "KESTRAN");
    EXPECT_EQ(boxes[0].type, 0x31u);
    EXPECT_EQ(boxes[0].owner, Canvas.load());
    EXPECT_EQ(drill.paused, 1);
}

TEST_F(KeyTable, EscWithOkEndsTheProgramWithStatusZero) {
    backend.windows.messageBoxAnswer = [](const auto&) { return plat::IDOK; };
    try {
        HandleKeyDown(plat::VK_ESCAPE);
        FAIL() << "OK must end the program";
    } catch (const plat::ExitCalled& exit) {
        EXPECT_EQ(exit.status, 0);
    }
}

TEST_F(KeyTable, EnterInPracticeModeOnlyEmptiesTheAnswerBox) {
    Type("appl");
    drill.testMode = 0;
    drill.scrollX = 33;
    drill.paused = 1;
    PostKey(plat::VK_RETURN);
    RunLoop();
    EXPECT_EQ(AnswerText(), "");
    EXPECT_EQ(drill.scrollX, 33);
    EXPECT_EQ(drill.paused, 1);
    EXPECT_EQ(drill.correctCount + drill.wrongCount, 0);
}

TEST_F(KeyTable, EnterInTestModeWithoutAListJudgesNothing) {
    Type("apple");
    drill.testMode = 1;
    drill.listLoaded = 0;
    HandleKeyDown(plat::VK_RETURN);
    EXPECT_EQ(AnswerText(), "apple");
    EXPECT_EQ(drill.sequentialAnswered, 0);
}

TEST_F(KeyTable, KeysOutsideTheTableAndKeyUpsPassUntouched) {
    drill.paused = 0;
    Type("");
    plat::PostMessage(answerBox, plat::WM_KEYUP, plat::VK_SPACE, 0);
    PostKey('A');
    RunLoop();
    EXPECT_EQ(AnswerText(), "a");
    EXPECT_EQ(drill.paused, 0);
}

TEST_F(KeyTable, EnterAndEscCharactersNeverReachTheAnswerBox) {
    // A real single-line edit control beeps at either; other characters type.
    Type("");
    for (plat::WParam ch : {plat::WParam{0x0D}, plat::WParam{'x'}, plat::WParam{0x1B}, plat::WParam{'y'}})
        plat::PostMessage(answerBox, plat::WM_CHAR, ch, 0);
    RunLoop();
    EXPECT_EQ(AnswerText(), "xy");
}

class CanvasClicks : public HeadlessAppTest {};

TEST_F(CanvasClicks, SingleClickTogglesDoubleClickTogglesTwice) {
    Type("half");
    drill.paused = 0;
    drill.practiceFinished = 1;
    CanvasProc(nullptr, plat::WM_LBUTTONDOWN, 1, 0);
    EXPECT_EQ(drill.paused, 1);
    EXPECT_EQ(drill.practiceFinished, 0);
    EXPECT_EQ(drill.resultPending, 0);

    drill.practiceFinished = 1;
    drill.resultPending = 1;
    CanvasProc(nullptr, plat::WM_LBUTTONDOWN, 1, 0);
    CanvasProc(nullptr, plat::WM_LBUTTONDBLCLK, 1, 0);
    EXPECT_EQ(drill.paused, 1) << "a double click leaves the pause as it was";
    EXPECT_EQ(drill.practiceFinished, 0);
    EXPECT_EQ(drill.resultPending, 0);
    EXPECT_EQ(AnswerText(), "half") << "a click never touches the answer box";
}

TEST_F(CanvasClicks, ClickRestartsRandomProgressOnlyAfterARandomPass) {
    drill.randomOrder = 1;
    drill.practiceFinished = 1;
    drill.randomProgress = 5;
    drill.randomProgressText.Set("5");
    CanvasProc(nullptr, plat::WM_LBUTTONDOWN, 1, 0);
    EXPECT_EQ(drill.randomProgress, 1);
    EXPECT_EQ(drill.randomProgressText.Str(), "1");

    drill.randomProgress = 5;
    drill.randomProgressText.Set("5");
    CanvasProc(nullptr, plat::WM_LBUTTONDOWN, 1, 0);  // nothing finished now
    EXPECT_EQ(drill.randomProgress, 5);
}

TEST_F(CanvasClicks, ClickBeforeAnythingFinishedMakesTheFirstSpaceTypeASpace) {
    CanvasProc(nullptr, plat::WM_LBUTTONDOWN, 1, 0);
    EXPECT_EQ(drill.resultPending, 0);
    Type("x");
    PostKey(plat::VK_SPACE);
    RunLoop();
    EXPECT_EQ(AnswerText(), "x ");
}

TEST_F(CanvasClicks, EscOrDestructionEndOnlyTheCanvasThread) {
    for (plat::MessageId m : {plat::WM_KEYDOWN, plat::WM_DESTROY}) {
        EXPECT_EQ(CanvasProc(nullptr, m, plat::VK_ESCAPE, 0), 0);
        plat::Message got{};
        ASSERT_TRUE(plat::PeekMessage(got));
        EXPECT_EQ(got.message, plat::WM_QUIT);
    }
    EXPECT_EQ(CanvasProc(nullptr, plat::WM_KEYDOWN, 'A', 0), 0);
    plat::Message none{};
    EXPECT_FALSE(plat::PeekMessage(none)) << "other keys do nothing";
}

}  // namespace
}  // namespace kestran

// The order, mode, colour and effects buttons' actions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drill/create_child_window.h"
#include "drill/drill_state.h"
#include "drill/toggles.h"
#include "drill_test_support.h"
#include "platform/crt_rand.h"
#include "drill/button_visual.h"

using namespace kestran;
using drilltest::WordList;

namespace {

plat::LResult QuietProc(plat::Window, plat::MessageId, plat::WParam, plat::LParam) { return 0; }

class TogglesTest : public drilltest::DrillTest {
protected:
    void SetUp() override {
        DrillTest::SetUp();
        const char* classes[] = {"b2", "b3", "b4", "b5"};
        Shared<plat::Window>* buttons[] = {&OrderButton, &ModeButton, &ColourButton, &EffectsButton};
        for (int i = 0; i < 4; ++i)
            *buttons[i] = CreateChildWindow(nullptr, QuietProc, classes[i], MainDialog, plat::WS_CHILD, 0, 0, 50, 50);
    }
    void TearDown() override {
        for (auto* button : {&OrderButton, &ModeButton, &ColourButton, &EffectsButton}) *button = nullptr;
        DrillTest::TearDown();
    }
    // The index the UiThread generator gives after seeding with the clock.
    int ExpectedDraw(int count, int avoid = -1) {
        plat::srand(process.now);
        int index = plat::rand() % count;
        while (count > 1 && index == avoid) index = plat::rand() % count;
        return index;
    }
};

struct TestFields {
    int testFinished, testIndex, wrongCount, randomAnswered, testDrawn, correctCount;
    float correctTotalF, sequentialCorrectF;
    std::string correctText, wrongText;
    bool operator==(const TestFields&) const = default;
};
TestFields CaptureTestFields() {
    return {drill.testFinished, drill.testIndex,   drill.wrongCount,    drill.randomAnswered,     drill.testDrawn,
            drill.correctCount, drill.correctTotalF, drill.sequentialCorrectF, drill.correctText.Str(),
            drill.wrongText.Str()};
}

TEST_F(TogglesTest, EachToggleRepaintsItsButtonAndOnlyOrderErases) {
    ToggleOrder();
    ToggleMode();
    ToggleColours();
    ToggleEffects();
    using Call = std::pair<plat::Window, bool>;
    EXPECT_EQ(windows.invalidations, (std::vector<Call>{{OrderButton, true}, {ModeButton, false},
                                                        {ColourButton, false}, {EffectsButton, false}}));
}

TEST_F(TogglesTest, ColoursSwitchBetweenTheTwoSchemes) {
    ToggleColours();
    EXPECT_EQ(drill.altColours, 1);
    EXPECT_EQ(drill.clearColour, 0xFF000000u);
    EXPECT_EQ(drill.wordColour, 0xFF0000FFu);
    EXPECT_EQ(drill.labelColour, 0xFFFFFF00u);
    ToggleColours();
    EXPECT_EQ(drill.altColours, 0);
    EXPECT_EQ(drill.clearColour, 0xFF0000FFu);
    EXPECT_EQ(drill.wordColour, 0xFFFFFF00u);
    EXPECT_EQ(drill.labelColour, 0xFFFFFFFFu);
}

TEST_F(TogglesTest, EffectsOffDropsAPendingTestHitAnimation) {
    drill.testHitAnim = 1;
    ToggleEffects();
    EXPECT_EQ(drill.effectsOff, 1);
    EXPECT_EQ(drill.testHitAnim, 0);
    ToggleEffects();
    EXPECT_EQ(drill.effectsOff, 0);
}

TEST_F(TogglesTest, OrderWithoutAListRestartsPracticeAndLeavesTheTest) {
    drill.randomProgress = 7;
    drill.randomProgressText.Set("7");
    drill.scrollX = 200;
    drill.practiceDrawn = 3;
    drill.wrongCount = 4;
    drill.testFinished = 1;
    const TestFields before = CaptureTestFields();
    ToggleOrder();
    EXPECT_EQ(drill.randomOrder, 1);
    EXPECT_EQ(drill.randomProgress, 1);
    EXPECT_EQ(drill.randomProgressText.Str(), "1");
    EXPECT_EQ(drill.scrollX, -20);
    EXPECT_EQ(drill.practiceDrawn, 0);
    EXPECT_TRUE(CaptureTestFields() == before);
}

TEST_F(TogglesTest, RandomOrderInPracticeDrawsTheFirstWordFromTheClock) {
    for (std::uint32_t clock : {1u, 99u, 123456u, 4000000000u}) {
        Fresh();
        process.now = clock;
        WordList list(17);
        list.Install();
        const int expected = ExpectedDraw(17);
        ToggleOrder();
        EXPECT_EQ(drill.practiceIndex, expected);
        EXPECT_EQ(list.Slots()[0], expected);
        EXPECT_EQ(drill.practiceDrawn, 1);
        EXPECT_EQ(drill.practiceShown, 0);
    }
}

TEST_F(TogglesTest, RandomOrderInTestModeAvoidsTheLastRightAnswer) {
    for (std::uint32_t clock = 0; clock < 40; ++clock) {
        Fresh();
        process.now = clock;
        WordList list(3);
        list.Install();
        drill.testMode = 1;
        drill.testPrevIndex = static_cast<int>(clock % 3);
        drill.testDrawn = 2;
        const int expected = ExpectedDraw(3, drill.testPrevIndex);
        ToggleOrder();
        EXPECT_EQ(drill.testIndex, expected);
        EXPECT_NE(drill.testIndex, drill.testPrevIndex);
        EXPECT_EQ(list.Slots()[0], expected);
        EXPECT_EQ(drill.testDrawn, 0);
        EXPECT_EQ(drill.randomAnswered, 0);
    }
}

TEST_F(TogglesTest, OneOrNoEntriesNeitherHangNorDivideByZero) {
    for (int count : {0, 1}) {
        SCOPED_TRACE(count);
        for (bool testMode : {false, true}) {
            Fresh();
            WordList list(count);
            list.Install();
            drill.testMode = testMode;
            ToggleOrder();  // into random order: the draw of the first word or question
            EXPECT_EQ(drill.testIndex, 0);
            EXPECT_EQ(drill.practiceIndex, 0);
            EXPECT_EQ(list.Slots()[0], count == 1 ? 0 : drilltest::kUnwritten);
            if (!testMode) {
                EXPECT_EQ(drill.practiceDrawn, count);
            }
            ToggleMode();
            ToggleMode();
            EXPECT_EQ(drill.testIndex, 0);
            EXPECT_EQ(drill.practiceIndex, 0);
            EXPECT_TRUE(list.GuardsIntact());
            EXPECT_TRUE(list.SparesUntouched());
        }
    }
}

TEST_F(TogglesTest, ModeEmptiesTheAnswerBoxAndOrderNeverDoes) {
    for (bool listLoaded : {false, true}) {
        Fresh();
        WordList list(3);
        if (listLoaded) list.Install();
        for (int i = 0; i < 2; ++i) {
            Type("half-typed");
            ToggleOrder();
            EXPECT_EQ(Box(), "half-typed");
            ToggleMode();
            EXPECT_EQ(Box(), "");
        }
    }
}

TEST_F(TogglesTest, ModeBlocksTheTestAnimationUnlessAFileOrderListIsLoaded) {
    struct Case {
        bool listLoaded, random;
        int blocked;
    };
    for (Case c : {Case{false, false, 1}, Case{false, true, 1}, Case{true, false, 0}, Case{true, true, 1}}) {
        Fresh();
        WordList list(3);
        if (c.listLoaded) list.Install();
        drill.randomOrder = c.random;
        drill.testHitAnim = 1;
        drill.paused = 1;
        drill.practiceFinished = 1;
        ToggleMode();
        EXPECT_EQ(drill.hitAnimBlocked, c.blocked);
        EXPECT_EQ(drill.testHitAnim, 0);
        EXPECT_EQ(drill.paused, 0);
        EXPECT_EQ(drill.practiceFinished, 0);
        EXPECT_EQ(drill.resultPending, 0);
    }
}

TEST_F(TogglesTest, PracticeAndBackWhileAResultShowsLeavesItForTheRendererToReset) {
    WordList list(3);
    list.Install();
    ToggleMode();
    drill.testFinished = 1;
    drill.resultPending = 1;
    ToggleMode();
    EXPECT_EQ(drill.testMode, 0);
    EXPECT_EQ(drill.testFinished, 1);
    ToggleMode();
    EXPECT_EQ(drill.testMode, 1);
    EXPECT_EQ(drill.testFinished, 1);
    EXPECT_EQ(drill.resultPending, 0) << "the renderer resets the test on its next frame";
}

TEST_F(TogglesTest, OrderRestartsTheTestAndModeKeepsItsResult) {
    WordList list(5);
    list.Install();
    drill.testMode = 1;
    drill.testFinished = 1;
    drill.sequentialCorrectF = 3.0f;
    drill.correctCount = 3;
    drill.wrongCount = 2;
    drill.correctText.Set("3");
    ToggleOrder();  // into random order
    EXPECT_EQ(drill.testFinished, 0);
    EXPECT_EQ(drill.sequentialCorrectF, 0.0f);
    EXPECT_EQ(drill.correctCount, 0);
    EXPECT_EQ(drill.correctText.Str(), "0");
    ToggleOrder();  // back to file order
    EXPECT_EQ(drill.hitAnimBlocked, 0);
    EXPECT_EQ(drill.testIndex, 0);
    drill.testFinished = 1;
    drill.sequentialCorrectF = 3.0f;
    ToggleMode();
    EXPECT_EQ(drill.testFinished, 1);
    EXPECT_EQ(drill.sequentialCorrectF, 3.0f);
}

}  // namespace

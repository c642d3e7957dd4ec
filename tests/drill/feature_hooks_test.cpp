// The moments at which the drill tells the features what happened: each
// hook is called at its moment, with the entry concerned, and nowhere else.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/key_table.h"
#include "app/win_main.h"
#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "drill/practice_ticker.h"
#include "drill/test_check.h"
#include "drill/toggles.h"
#include "drill_test_support.h"
#include "ui/canvas_proc.h"

using namespace kestran;
using drilltest::WordList;

namespace {

// What the hooks heard, in order, as short lines ("missed w1", "right w0", ...).
std::vector<std::string> heard;

void OnMissed(const WordRecord& e) { heard.push_back(std::string("missed ") + e.word); }
void OnJudged(const WordRecord& e, bool right) { heard.push_back((right ? "right " : "wrong ") + std::string(e.word)); }
void OnResult() { heard.push_back("result"); }
void OnRound() { heard.push_back("round"); }
void OnRightClick(int x, int y) { heard.push_back("menu " + std::to_string(x) + "," + std::to_string(y)); }
bool KeepF5(const plat::Message& m) { return m.message == plat::WM_KEYDOWN && m.wParam == plat::VK_F1 + 4; }

class FeatureHooksTest : public drilltest::DrillTest {
protected:
    void SetUp() override {
        DrillTest::SetUp();
        heard.clear();
        hooks::practiceWordMissed.Add(OnMissed);
        hooks::testAnswerJudged.Add(OnJudged);
        hooks::testResultShown.Add(OnResult);
        hooks::roundStarted.Add(OnRound);
        hooks::canvasRightClick.Add(OnRightClick);
    }
    void TearDown() override {
        hooks::practiceWordMissed.ClearForTest();
        hooks::testAnswerJudged.ClearForTest();
        hooks::testResultShown.ClearForTest();
        hooks::roundStarted.ClearForTest();
        hooks::canvasRightClick.ClearForTest();
        hooks::uiMessage.ClearForTest();
        DrillTest::TearDown();
    }
    void Tick() {
        process.now += kTickPeriodMs;
        PracticeTick();
    }
};

TEST_F(FeatureHooksTest, APracticeWordThatCrossesUntypedIsMissedAndAHitIsNot) {
    for (const bool random : {false, true}) {
        Fresh();
        heard.clear();
        WordList list(3);
        list.Install();
        drill.effectsOff = 1;  // a hit moves on at once
        if (random) ToggleOrder();
        Tick();
        const std::string first = list.Word(drill.practiceIndex);
        drill.scrollX = 500;
        Tick();  // the first word crossed
        const std::string second = list.Word(drill.practiceIndex);
        Type(second);
        Tick();  // the second word is hit
        if (random) Tick();  // the random advance comes one tick after the hit
        std::vector<std::string> expected{"missed " + first};
        if (random) expected.insert(expected.begin(), "round");  // the order switch
        EXPECT_EQ(heard, expected) << (random ? "random order" : "file order");
    }
}

TEST_F(FeatureHooksTest, CountedTestAnswersAreJudgedAndTheResultComesOnce) {
    WordList list(3);
    list.Install();
    ToggleMode();
    auto answer = [&](const std::string& typed) {
        Type(typed);
        CheckTestAnswer();
    };
    answer("w0");
    answer("nope");
    answer("w2");
    answer("w0");  // while the result is displayed: not counted
    EXPECT_EQ(heard, (std::vector<std::string>{"round", "right w0", "wrong w1", "right w2", "result"}));
}

TEST_F(FeatureHooksTest, ARoundStartsWhenAFinishedRoundIsAcknowledgedOrTheOrderOrModeSwitches) {
    WordList list(2);
    list.Install();
    const plat::Window canvas = MainDialog;  // the procedure does not look at its window
    struct Case {
        const char* what;
        std::function<void()> setUp, act;
        int rounds;
    };
    const Case cases[] = {
        {"Space after a pass", [] { drill.practiceFinished = 1; }, [] { HandleKeyDown(plat::VK_SPACE); }, 1},
        {"Space typing a space", [] { drill.resultPending = 0; }, [] { HandleKeyDown(plat::VK_SPACE); }, 0},
        {"click on a result", [] { drill.testFinished = 1, drill.resultPending = 1; },
         [&] { CanvasProc(canvas, plat::WM_LBUTTONDOWN, 1, 0); }, 1},
        {"click pausing", [] { drill.resultPending = 0; }, [&] { CanvasProc(canvas, plat::WM_LBUTTONDOWN, 1, 0); }, 0},
        {"order switched", [] {}, [] { ToggleOrder(); }, 1},
        {"mode switched", [] {}, [] { ToggleMode(); }, 1},
    };
    for (const Case& c : cases) {
        c.setUp();
        heard.clear();
        c.act();
        EXPECT_EQ(static_cast<int>(heard.size()), c.rounds) << c.what;
    }
}

TEST_F(FeatureHooksTest, TheLoopGivesAFeatureItsKeysAndTheCanvasItsRightClick) {
    hooks::uiMessage.Add(KeepF5);
    for (const int key : {plat::VK_F1 + 4, plat::VK_F1 + 5}) plat::PostMessage(MainDialog, plat::WM_KEYDOWN, key, 0);
    plat::Message message{};
    RunLoopOnce(message, false);
    EXPECT_EQ(message.wParam, static_cast<plat::WParam>(plat::VK_F1 + 5)) << "F5 was kept, F6 handed on";

    CanvasProc(MainDialog, plat::WM_RBUTTONUP, 0, (40 << 16) | 300);
    EXPECT_EQ(heard, (std::vector<std::string>{"menu 300,40"}));
}

}  // namespace

// The practice ticker driven tick by tick on the test thread: the clock and
// the renderer's end of the hit animation are scripted through the sleeps of
// the ticker's waits.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "drill/drill_state.h"
#include "drill/list_identity.h"
#include "drill/practice_ticker.h"
#include "drill/toggles.h"
#include "drill_test_support.h"
#include "platform/core/thread_queue.h"
#include "platform/core/window_object.h"

using namespace kestran;
using drilltest::WordList;

namespace {

class PracticeTickerTest : public drilltest::DrillTest {
protected:
    // One tick, the clock moving on by one period as the timer does.
    void Tick(int times = 1) {
        for (int i = 0; i < times; ++i) {
            process.now += kTickPeriodMs;
            PracticeTick();
        }
    }
    // The word has reached the right edge: the next tick advances.
    void TickAtEdge() {
        drill.scrollX = 500;
        Tick();
    }
    void Acknowledge() {
        drill.practiceFinished = 0;
        drill.paused = 0;
    }
    // The indices a random pass shows, first word included, until it ends.
    std::vector<int> RunRandomPass(int maxAdvances) {
        std::vector<int> shown;
        Tick();
        shown.push_back(drill.practiceIndex);
        for (int i = 0; i < maxAdvances && drill.practiceFinished == 0; ++i) {
            TickAtEdge();
            if (drill.practiceFinished == 0) shown.push_back(drill.practiceIndex);
        }
        return shown;
    }
};

bool EachIndexOnce(const std::vector<int>& shown, int count) {
    std::set<int> distinct(shown.begin(), shown.end());
    return static_cast<int>(shown.size()) == count && static_cast<int>(distinct.size()) == count &&
           *distinct.begin() >= 0 && *distinct.rbegin() < count;
}

TEST_F(PracticeTickerTest, ATickDoesNothingWithoutAListOrInTestMode) {
    WordList list(3);
    list.Install();
    struct Case {
        const char* name;
        std::uint8_t listLoaded, testMode;
    };
    for (Case c : {Case{"no list", 0, 0}, Case{"test mode", 1, 1}}) {
        SCOPED_TRACE(c.name);
        drill.listLoaded = c.listLoaded;
        drill.testMode = c.testMode;
        drill.scrollX = 100;
        Type("w0");
        Tick();
        EXPECT_EQ(drill.scrollX, 100);
        EXPECT_EQ(drill.typedAnswer.Str(), "");
        EXPECT_EQ(drill.sequentialPassStarted, 0);
        EXPECT_EQ(Box(), "w0");
        EXPECT_EQ(Sounds(), 0u);
    }
}

TEST_F(PracticeTickerTest, FileOrderShowsEachWordFor520TicksThenEndsThePass) {
    WordList list(3);
    list.Install();
    std::vector<std::string> progress;
    int ticks = 0;
    while (drill.practiceFinished == 0 && ticks < 5000) {
        Tick();
        ++ticks;
        if (progress.empty() || progress.back() != drill.sequentialProgressText.Str())
            progress.push_back(drill.sequentialProgressText.Str());
    }
    EXPECT_EQ(ticks, 3 * 520 + 1);
    EXPECT_EQ(progress, (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(drill.practiceIndex, 0);
    EXPECT_EQ(drill.practicePrevIndex, 0);
    EXPECT_EQ(drill.scrollX, -20);
    Tick(5);
    EXPECT_EQ(drill.scrollX, -20) << "no motion while the end message shows";
}

TEST_F(PracticeTickerTest, RandomOrderShowsThreeDifferentWordsThenStartsWithTheLastDraw) {
    WordList list(3);
    list.Install();
    drill.randomOrder = 1;
    std::vector<int> shown;
    std::vector<std::string> progress;
    for (int ticks = 0; drill.practiceFinished == 0 && ticks < 5000; ++ticks) {
        Tick();
        if (shown.empty() || shown.back() != drill.practiceIndex) shown.push_back(drill.practiceIndex);
        if (progress.empty() || progress.back() != drill.randomProgressText.Str())
            progress.push_back(drill.randomProgressText.Str());
    }
    shown.pop_back();  // drawn at the end of the pass, shown first in the next
    EXPECT_TRUE(EachIndexOnce(shown, 3));
    EXPECT_EQ(progress, (std::vector<std::string>{"1", "2", "3"}));
    const int nextFirst = drill.practiceIndex;
    EXPECT_EQ(list.Slots()[0], nextFirst);
    Acknowledge();
    Tick();
    EXPECT_EQ(drill.practiceIndex, nextFirst);
    EXPECT_EQ(drill.scrollX, -19);
    EXPECT_TRUE(list.GuardsIntact());
    EXPECT_TRUE(list.SparesUntouched());
}

TEST_F(PracticeTickerTest, TheHiddenWindowOwnsTimer3AndEveryTimerMessageIsATick) {
    WordList list(3);
    list.Install();
    CreateTickerWindow();
    plat::Window w = TickerWindow;
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->className, "sf");
    EXPECT_EQ(w->parent, MainDialog.load());
    EXPECT_EQ(w->style, plat::WS_CHILD);
    EXPECT_EQ(w->windowClass.background, nullptr);
    EXPECT_EQ(w->procedure, &TickerWindowProc);
    EXPECT_EQ((std::vector<int>{w->x, w->y, w->width, w->height}), (std::vector<int>{0, 0, 1, 1}));
    EXPECT_FALSE(w->visible);
    auto dueIn = plat::CurrentThreadQueue().NextTimerDue() - plat::ThreadQueue::Clock::now();
    EXPECT_GT(dueIn, std::chrono::milliseconds(15));
    EXPECT_LE(dueIn, std::chrono::milliseconds(27));
    ASSERT_TRUE(plat::KillTimer(w, 3)) << "the tick timer has identifier 3";

    plat::Message message{};
    const int start = drill.scrollX;
    for (plat::WParam id : {plat::WParam{3}, plat::WParam{1}, plat::WParam{77}}) {
        plat::PostMessage(w, plat::WM_TIMER, id, 0);
        EXPECT_TRUE(TickerLoopPass(message));
    }
    EXPECT_EQ(drill.scrollX, start + 3);
    // WM_DESTROY posts a quit; the quit is handled like any message and the
    // loop goes on ticking.
    plat::PostMessage(w, plat::WM_DESTROY, 0, 0);
    EXPECT_FALSE(TickerLoopPass(message));
    EXPECT_FALSE(TickerLoopPass(message));
    EXPECT_EQ(message.message, plat::WM_QUIT);
    plat::PostMessage(w, plat::WM_TIMER, 1, 0);
    EXPECT_TRUE(TickerLoopPass(message));
    EXPECT_EQ(drill.scrollX, start + 4);
    plat::PostMessage(w, plat::WM_MOUSEMOVE, 0, 0);
    EXPECT_FALSE(TickerLoopPass(message)) << "only a timer message is a tick";
    EXPECT_EQ(drill.scrollX, start + 4);
}

TEST_F(PracticeTickerTest, OnlyTheExactWordIsAHit) {
    const std::string long63(63, 'a'), long64(64, 'a');
    struct Case {
        std::string word, typed;
        bool hit;
    };
    const Case cases[] = {
        {"apple", "apple", true},   {"apple", "Apple", false},    {"apple", "apple ", false},
        {"apple", "", false},       {"", "", true},               {"ice cream", "ice cream", true},
        {"apple", "appl", false},   {long63, long63, true},       {long64, long64, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("word '" + c.word + "' typed '" + c.typed + "'");
        Fresh();
        WordList list(2, [&](int i) { return i == 0 ? c.word : std::string("other"); });
        list.Install();
        drill.effectsOff = 1;
        Type(c.typed);
        Tick();
        EXPECT_EQ(drill.typedAnswer.Str(), c.typed.substr(0, 63));
        EXPECT_EQ(drill.practiceIndex, c.hit ? 1 : 0);
        EXPECT_EQ(Box(), c.hit ? "" : c.typed);
    }
}

TEST_F(PracticeTickerTest, AFileOrderHitHoldsTheWordUntilTheAnimationEnds) {
    WordList list(3);
    list.Install();
    Tick(100);
    int pausedFrames = 0;
    process.onSleep = [&] {
        ++framesDrawn;
        if (drill.paused == 1) ++pausedFrames;
        if (framesDrawn == 10) drill.scrollX = drill.scrollX + 2;  // Ctrl+Right meanwhile
        if (framesDrawn == 42) {
            drill.practiceHitAnim = 0;
            drill.paused = 0;
        }
    };
    const int hitAt = drill.scrollX + 1;
    Type("w0");
    Tick();
    EXPECT_EQ(framesDrawn, 42);
    EXPECT_EQ(pausedFrames, 42);
    EXPECT_EQ(drill.hitAnimX, hitAt + 2) << "the animation follows the nudged word";
    EXPECT_EQ(drill.practiceIndex, 1);
    EXPECT_EQ(drill.practicePrevIndex, 0) << "a hit moves only practiceIndex";
    EXPECT_EQ(drill.scrollX, -20);
    EXPECT_EQ(drill.paused, 0);
    EXPECT_EQ(Box(), "");
    EXPECT_EQ(backend.sound.Played(), (std::vector<std::string>{"RES\\41.wav"}));
}

TEST_F(PracticeTickerTest, ARandomHitAdvancesOnTheNextTick) {
    for (std::uint8_t effectsOff : {0, 1}) {
        SCOPED_TRACE(effectsOff ? "effects off" : "effects on");
        Fresh();
        RendererEndsHitAnimationsInSleep();
        WordList list(5);
        list.Install();
        drill.randomOrder = 1;
        drill.effectsOff = effectsOff;
        Tick(30);
        const int before = drill.practiceIndex;
        const int x = drill.scrollX + 1;
        Type(list.Word(before));
        Tick();
        EXPECT_EQ(drill.practiceHitAnim, 1);
        EXPECT_EQ(drill.advanceRequested, 1);
        EXPECT_EQ(drill.hitAnimX, x);
        EXPECT_EQ(Box(), "");
        EXPECT_EQ(Sounds(), effectsOff ? 0u : 1u);
        EXPECT_EQ(framesDrawn, 0) << "the wait belongs to the next tick";
        Tick();
        EXPECT_NE(drill.practiceIndex, before);
        EXPECT_EQ(drill.practiceHitAnim, 0);
        EXPECT_EQ(drill.advanceRequested, 0);
        EXPECT_EQ(drill.scrollX, -19);
        EXPECT_EQ(framesDrawn, effectsOff ? 0 : 42);
    }
}

TEST_F(PracticeTickerTest, AHitCountsWhilePausedAndWhileTheEndMessageShows) {
    RendererEndsHitAnimationsInSleep();
    WordList list(3);
    list.Install();
    Tick();
    drill.paused = 1;
    Type("w0");
    Tick();
    EXPECT_EQ(Sounds(), 1u);
    EXPECT_EQ(drill.practiceIndex, 1);
    EXPECT_EQ(drill.paused, 0);

    drill.practiceFinished = 1;
    drill.practiceIndex = 0;
    Type("w0");
    Tick();
    EXPECT_EQ(Sounds(), 2u);
    EXPECT_EQ(drill.practiceIndex, 1);
    EXPECT_EQ(Box(), "");
}

TEST_F(PracticeTickerTest, SwitchingToRandomOrderEndsTheFileOrderWait) {
    WordList list(4);
    list.Install();
    Tick(10);
    process.onSleep = [&] {
        if (++framesDrawn == 5) ToggleOrder();
        if (framesDrawn == 60) {
            drill.practiceHitAnim = 0;
            drill.paused = 0;
        }
    };
    Type("w0");
    Tick();
    EXPECT_EQ(framesDrawn, 5) << "the wait stopped at the switch";
    EXPECT_EQ(drill.advanceRequested, 1);
    EXPECT_EQ(Box(), "");
    Tick();
    EXPECT_EQ(drill.advanceRequested, 0);
    EXPECT_EQ(drill.practiceHitAnim, 0);
    EXPECT_EQ(framesDrawn, 60) << "the random advance waited for the animation";
    EXPECT_TRUE(list.GuardsIntact());
}

// The renderer stops the animation when effects go off or the list goes
// away, and may stop drawing altogether; the wait must end all the same.
TEST_F(PracticeTickerTest, AWaitTheAnimationNeverEndsStillEnds) {
    enum Event { EffectsOff, ListCleared, TimePasses };
    struct Case {
        const char* name;
        bool random;
        Event event;
        bool advances;
    };
    const Case cases[] = {
        {"file order, effects off", false, EffectsOff, true},
        {"file order, list cleared", false, ListCleared, false},
        {"file order, no frames", false, TimePasses, true},
        {"random, effects off", true, EffectsOff, true},
        {"random, list cleared", true, ListCleared, false},
        {"random, no frames", true, TimePasses, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        WordList list(4);
        list.Install();
        drill.randomOrder = c.random;
        Tick(3);
        const int before = drill.practiceIndex;
        bool stuck = false;
        process.clockMovesOnSleep = c.event == TimePasses;
        process.onSleep = [&] {
            ++framesDrawn;
            if (framesDrawn == 3 && c.event == EffectsOff) drill.effectsOff = 1;
            if (framesDrawn == 3 && c.event == ListCleared) drill.listLoaded = 0;
            if (framesDrawn > 100000) {
                stuck = true;
                drill.practiceHitAnim = 0;
            }
        };
        Type(list.Word(before));
        Tick();
        if (c.random) Tick();
        EXPECT_FALSE(stuck);
        EXPECT_EQ(drill.practiceHitAnim, 0);
        EXPECT_EQ(drill.paused, 0);
        EXPECT_EQ(drill.practiceIndex != before, c.advances);
        if (c.event == TimePasses) {
            EXPECT_GE(process.sleeps, static_cast<long>(kHitWaitLimitMs));
        }
        drill.listLoaded = 1;
        drill.effectsOff = 0;
        RendererEndsHitAnimationsInSleep();
        Tick();  // a random hit whose wait was cut short still advances
        Type(list.Word(drill.practiceIndex));
        Tick(2);
        EXPECT_EQ(Box(), "") << "the drill goes on and takes the next hit";
    }
}

TEST_F(PracticeTickerTest, NoRecordBeyondTheListIsCompared) {
    // The spare records hold an empty word and the box is empty: reading a
    // spare record would be a hit, with its sound.
    RendererEndsHitAnimationsInSleep();
    struct Case {
        const char* name;
        int count;
        bool random;
    };
    for (Case c : {Case{"empty list, file order", 0, false}, Case{"empty list, random", 0, true},
                   Case{"after the last word, random", 3, true}}) {
        SCOPED_TRACE(c.name);
        Fresh();
        RendererEndsHitAnimationsInSleep();
        WordList list(c.count);
        list.Install();
        drill.randomOrder = c.random;
        if (c.count > 0) {
            Tick();
            drill.practiceIndex = c.count;
        }
        Tick(5);
        EXPECT_EQ(Sounds(), 0u);
        EXPECT_EQ(drill.practiceHitAnim, 0);
        if (c.count == 0) {
            EXPECT_EQ(drill.practiceFinished, 1) << "an empty pass is over at once";
        }
        EXPECT_TRUE(list.GuardsIntact());
    }
}

TEST_F(PracticeTickerTest, AHitOnTheLastWordEndsThePassOnTheNextTick) {
    RendererEndsHitAnimationsInSleep();
    WordList list(2);
    list.Install();
    Tick();
    drill.practiceIndex = 1;
    Type("w1");
    Tick();
    EXPECT_EQ(drill.practiceIndex, 2);
    Tick();
    EXPECT_EQ(Sounds(), 1u) << "the empty box does not match a spare record";
    EXPECT_EQ(drill.practiceFinished, 1);
    EXPECT_EQ(drill.practiceIndex, 0);
}

TEST_F(PracticeTickerTest, OneEntryInRandomOrderShowsItOncePerPass) {
    WordList list(1);
    list.Install();
    drill.randomOrder = 1;
    for (int pass = 0; pass < 4; ++pass) {
        std::vector<int> shown = RunRandomPass(10);
        EXPECT_EQ(shown, std::vector<int>{0});
        EXPECT_EQ(drill.practiceFinished, 1);
        Acknowledge();
    }
    EXPECT_TRUE(list.GuardsIntact());
    EXPECT_TRUE(list.SparesUntouched());
}

TEST_F(PracticeTickerTest, AListOpenedInTheMiddleOfARandomPassGetsAFullPass) {
    for (bool sameBlocks : {false, true}) {
        SCOPED_TRACE(sameBlocks ? "counters kept (new list not told apart)" : "new list noticed");
        Fresh();
        WordList longList(50);
        longList.Install();
        drill.randomOrder = 1;
        Tick();
        for (int i = 0; i < 45; ++i) TickAtEdge();
        ASSERT_GT(drill.practiceDrawn, 5);
        ASSERT_GT(drill.practiceShown, 5);

        drill.practiceIndex = 37;  // the word on screen belongs to the long list
        WordList shortList(5);
        shortList.Install();
        if (sameBlocks) NoteCurrentList(practiceList);
        std::vector<int> firstPass = RunRandomPass(100);
        EXPECT_EQ(drill.practiceFinished, 1);
        // Unnoticed, the long list's word still opens the pass; it is not counted.
        if (sameBlocks && firstPass.front() == 37) firstPass.erase(firstPass.begin());
        EXPECT_TRUE(EachIndexOnce(firstPass, 5));
        Acknowledge();
        std::vector<int> secondPass;
        secondPass.push_back(drill.practiceIndex);
        for (int i = 0; i < 100 && drill.practiceFinished == 0; ++i) {
            TickAtEdge();
            if (drill.practiceFinished == 0) secondPass.push_back(drill.practiceIndex);
        }
        EXPECT_TRUE(EachIndexOnce(secondPass, 5));
        EXPECT_TRUE(shortList.GuardsIntact());
        EXPECT_TRUE(shortList.SparesUntouched());
    }
}

TEST_F(PracticeTickerTest, AFileOrderIndexBeyondANewShorterListEndsThePass) {
    WordList longList(50);
    longList.Install();
    Tick();
    drill.practiceIndex = 30;
    WordList shortList(5);
    shortList.Install();
    NoteCurrentList(practiceList);
    Tick();
    EXPECT_EQ(drill.practiceFinished, 1);
    EXPECT_EQ(drill.practiceIndex, 0);
}

// Every entry exactly once per pass, and no slot written outside the list,
// for many clocks and every list size up to 300, over two passes each.
TEST_F(PracticeTickerTest, EveryRandomPassShowsEachEntryExactlyOnce) {
    for (int count = 1; count <= 300; ++count) {
        for (std::uint32_t seed : {1u, 4242u, 987654321u}) {
            Fresh();
            process.now = seed;
            WordList list(count);
            list.Install();
            drill.randomOrder = 1;
            std::vector<int> first = RunRandomPass(count + 5);
            Acknowledge();
            std::vector<int> second{drill.practiceIndex};
            for (int i = 0; i < count + 5 && drill.practiceFinished == 0; ++i) {
                TickAtEdge();
                if (drill.practiceFinished == 0) second.push_back(drill.practiceIndex);
            }
            ASSERT_TRUE(EachIndexOnce(first, count)) << count << " entries, clock " << seed;
            ASSERT_TRUE(EachIndexOnce(second, count)) << count << " entries, clock " << seed;
            ASSERT_TRUE(list.GuardsIntact()) << count;
            ASSERT_TRUE(list.SparesUntouched()) << count;
        }
    }
}

TEST_F(PracticeTickerTest, ARandomPassOverMoreEntriesThanRandReachesShowsEveryEntry) {
    const int count = 33000;
    WordList list(count);
    list.Install();
    drill.randomOrder = 1;
    std::vector<int> shown = RunRandomPass(count + 5);
    EXPECT_TRUE(EachIndexOnce(shown, count));
    EXPECT_TRUE(list.GuardsIntact());
}

}  // namespace

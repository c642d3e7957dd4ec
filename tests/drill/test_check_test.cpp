// Judging test answers, choosing the next question and scoring, on UiThread
// (the test thread), with the renderer's part played by the test.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "drill/drill_state.h"
#include "drill/list_identity.h"
#include "drill/test_check.h"
#include "drill/texts.h"
#include "drill/toggles.h"
#include "drill_test_support.h"

using namespace kestran;
using drilltest::WordList;

namespace {

std::string ResultLine(const std::string& digits) {
    return std::string(texts::kResultPrefix) + digits + texts::kResultSuffix;
}

class TestCheckTest : public drilltest::DrillTest {
protected:
    // Enter with `typed` in the answer box.
    void Answer(const std::string& typed) {
        Type(typed);
        CheckTestAnswer();
    }
    void AnswerRight() { Answer(CurrentWord()); }
    std::string CurrentWord() { return drill.WordTable.load()[drill.testIndex].word; }
    void StartTest(bool random) {
        ToggleMode();
        if (random) ToggleOrder();
    }
};

TEST_F(TestCheckTest, NothingIsJudgedWithoutAList) {
    drill.testMode = 1;
    Answer("apple");
    EXPECT_EQ(drill.sequentialAnswered, 0);
    EXPECT_EQ(drill.wrongCount, 0);
    EXPECT_EQ(drill.typedAnswer.Str(), "");
    EXPECT_EQ(Box(), "apple");
}

TEST_F(TestCheckTest, OnlyTheExactWordIsCorrect) {
    const std::string long64(64, 'a');
    struct Case {
        std::string word, typed;
        bool correct;
    };
    const Case cases[] = {
        {"apple", "apple", true}, {"apple", "", false},     {"", "", true},
        {"apple", "Apple", false}, {"apple", "apple ", false}, {long64, long64, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("word '" + c.word + "' typed '" + c.typed + "'");
        Fresh();
        WordList list(3, [&](int i) { return i == 0 ? c.word : "x" + std::to_string(i); });
        list.Install();
        StartTest(false);
        Answer(c.typed);
        EXPECT_EQ(drill.correctCount, c.correct ? 1 : 0);
        EXPECT_EQ(drill.wrongCount, c.correct ? 0 : 1);
        EXPECT_EQ(drill.correctText.Str(), c.correct ? "1" : "0");
        EXPECT_EQ(drill.wrongText.Str(), c.correct ? "0" : "1");
        EXPECT_EQ(drill.testIndex, 1);
        EXPECT_EQ(drill.testPrevIndex, c.correct ? 1 : 0) << "follows testIndex only after a correct answer";
        EXPECT_EQ(Sounds(), c.correct ? 1u : 0u);
        EXPECT_EQ(Box(), "");
    }
}

TEST_F(TestCheckTest, HoldingEnterCountsTheEmptyBoxAsWrong) {
    WordList list(4);
    list.Install();
    StartTest(false);
    Answer("w0");
    CheckTestAnswer();  // auto-repeat: the box is empty now
    CheckTestAnswer();
    EXPECT_EQ(drill.correctCount, 1);
    EXPECT_EQ(drill.wrongCount, 2);
    EXPECT_EQ(drill.testIndex, 3);
}

TEST_F(TestCheckTest, RightWrongRightOverThreeEntriesScores66) {
    WordList list(3);
    list.Install();
    StartTest(false);
    std::vector<int> asked;
    for (bool right : {true, false, true}) {
        asked.push_back(drill.testIndex);
        drill.hitAnimBlocked = 1;
        drill.testHitAnim = 0;
        right ? AnswerRight() : Answer("nope");
        // An animation started here must be able to end, or the result
        // would never show.
        EXPECT_EQ(drill.testHitAnim, right ? 1 : 0);
        if (asked.size() > 1) {
            EXPECT_EQ(drill.hitAnimBlocked, right ? 0 : 1);
        }
    }
    EXPECT_EQ(asked, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(drill.correctCount, 2);
    EXPECT_EQ(drill.wrongCount, 1);
    EXPECT_EQ(drill.testScore, 66);
    EXPECT_EQ(drill.scoreText.Str(), "66");
    EXPECT_EQ(drill.resultText.Str(), ResultLine("66"));
    EXPECT_EQ(drill.testIndex, 0);
    EXPECT_EQ(drill.sequentialAnswered, 0);
    EXPECT_EQ(drill.testFinished, 1);
    EXPECT_EQ(drill.resultPending, 1);
    EXPECT_EQ(Sounds(), 2u);
}

TEST_F(TestCheckTest, AllRightScores100AndAllWrongShowsTheDigit0) {
    struct Case {
        bool random, right;
        const char* digits;
    };
    for (Case c : {Case{false, true, "100"}, Case{false, false, "0"}, Case{true, true, "100"}, Case{true, false, "0"}}) {
        SCOPED_TRACE(std::string(c.random ? "random" : "file order") + (c.right ? ", all right" : ", all wrong"));
        Fresh();
        WordList list(7);
        list.Install();
        StartTest(c.random);
        for (int i = 0; i < 7; ++i) c.right ? AnswerRight() : Answer("");
        EXPECT_EQ(drill.testFinished, 1);
        EXPECT_EQ(drill.resultText.Str(), ResultLine(c.digits));
    }
}

TEST_F(TestCheckTest, EnterWhileTheResultShowsCountsNothing) {
    for (bool random : {false, true}) {
        SCOPED_TRACE(random ? "random" : "file order");
        Fresh();
        WordList list(2);
        list.Install();
        StartTest(random);
        AnswerRight();
        AnswerRight();
        ASSERT_EQ(drill.testFinished, 1);
        const std::size_t sounds = Sounds();
        drill.testHitAnim = 0;
        const int index = drill.testIndex;
        AnswerRight();
        Answer("nope");
        EXPECT_EQ(drill.correctCount, 2);
        EXPECT_EQ(drill.wrongCount, 0);
        EXPECT_EQ(drill.testIndex, index);
        EXPECT_EQ(drill.resultText.Str(), ResultLine("100"));
        // A right answer still sounds in random order, not in file order.
        EXPECT_EQ(Sounds(), sounds + (random ? 1 : 0));
        EXPECT_EQ(drill.testHitAnim, random ? 1 : 0);
        EXPECT_EQ(Box(), "");
    }
}

TEST_F(TestCheckTest, WithEffectsOffARightAnswerIsSilent) {
    for (bool random : {false, true}) {
        Fresh();
        WordList list(3);
        list.Install();
        StartTest(random);
        drill.effectsOff = 1;
        AnswerRight();
        EXPECT_EQ(drill.correctCount, 1);
        EXPECT_EQ(Sounds(), 0u);
        EXPECT_EQ(drill.testHitAnim, 0);
    }
}

// Each test asks every entry once, whatever the answers, through several
// tests in a row and for many sizes and clocks; no slot outside the list
// is written.
TEST_F(TestCheckTest, ARandomTestAsksEveryEntryExactlyOnce) {
    for (int count = 1; count <= 150; ++count) {
        for (std::uint32_t clock : {7u, 1234567u, 4000000007u}) {
            Fresh();
            process.now = clock;
            WordList list(count);
            list.Install();
            StartTest(true);
            for (int test = 0; test < 3; ++test) {
                std::vector<int> asked;
                for (int i = 0; i < count; ++i) {
                    asked.push_back(drill.testIndex);
                    process.now += 300;
                    (i * 7 + test) % 3 ? AnswerRight() : Answer("nope");
                }
                ASSERT_EQ(drill.testFinished, 1);
                std::set<int> distinct(asked.begin(), asked.end());
                ASSERT_EQ(static_cast<int>(distinct.size()), count) << count << " entries, test " << test;
                ASSERT_LT(*distinct.rbegin(), count);
                drill.testHitAnim = 0;
                drilltest::AcknowledgeResultAndReset();
            }
            ASSERT_TRUE(list.GuardsIntact());
            ASSERT_TRUE(list.SparesUntouched());
        }
    }
}

TEST_F(TestCheckTest, OneEntryInRandomOrderEndsTheTestAtEveryAnswer) {
    WordList list(1);
    list.Install();
    StartTest(true);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(drill.testIndex, 0);
        i % 2 ? AnswerRight() : Answer("nope");
        EXPECT_EQ(drill.testFinished, 1);
        EXPECT_EQ(drill.testIndex, 0);
        drill.testHitAnim = 0;
        drilltest::AcknowledgeResultAndReset();
    }
    EXPECT_TRUE(list.SparesUntouched());
}

TEST_F(TestCheckTest, AListWithoutEntriesEndsTheTestAtTheFirstEnter) {
    for (bool random : {false, true}) {
        SCOPED_TRACE(random ? "random" : "file order");
        Fresh();
        WordList list(0);
        list.Install();
        StartTest(random);
        Answer("");
        EXPECT_EQ(drill.testFinished, 1);
        EXPECT_EQ(drill.testScore, 0);
        EXPECT_EQ(drill.resultText.Str(), ResultLine("0"));
        EXPECT_EQ(Sounds(), 0u);
        Answer("x");
        EXPECT_EQ(drill.wrongCount + drill.correctCount, 0);
        EXPECT_EQ(Box(), "");
        drilltest::AcknowledgeResultAndReset();
        Answer("");
        EXPECT_EQ(drill.testFinished, 1) << "and again after the acknowledgement";
        EXPECT_TRUE(list.GuardsIntact());
    }
}

// Opening a list keeps the counters of the test on the previous list (and
// its drawn-index array records nothing yet); the test starts afresh on it.
TEST_F(TestCheckTest, AListOpenedInTestModeGetsAFreshTest) {
    struct Case {
        const char* name;
        bool random;
        bool switchedBeforeAnyList;
    };
    for (Case c : {Case{"random, mid-test", true, false}, Case{"file order, mid-test", false, false},
                   Case{"random, switched with no list", true, true},
                   Case{"file order, switched with no list", false, true}}) {
        SCOPED_TRACE(c.name);
        Fresh();
        WordList longList(40);
        if (c.switchedBeforeAnyList) {
            StartTest(c.random);
        } else {
            longList.Install();
            StartTest(c.random);
            for (int i = 0; i < 30; ++i) i % 2 ? AnswerRight() : Answer("");
        }
        WordList shortList(4);
        shortList.Install();
        std::set<int> asked;
        for (int i = 0; i < 4; ++i) {
            asked.insert(drill.testIndex);
            EXPECT_EQ(drill.testFinished, 0) << "answer " << i;
            AnswerRight();
        }
        EXPECT_EQ(drill.testFinished, 1);
        EXPECT_EQ(asked.size(), 4u);
        EXPECT_EQ(drill.resultText.Str(), ResultLine("100"));
        // The hit animation of the last answer can play, so the result shows.
        EXPECT_EQ(drill.testHitAnim, 1);
        EXPECT_EQ(drill.hitAnimBlocked, 0);
        EXPECT_TRUE(shortList.GuardsIntact());
        EXPECT_TRUE(shortList.SparesUntouched());
    }
}

TEST_F(TestCheckTest, CountersFromALongerListStayInsideTheNewOne) {
    // A new list that the checker cannot tell from the old one (same blocks,
    // as a reused allocation gives): the counters must still not reach
    // outside the list, and the test must still end.
    WordList longList(40);
    longList.Install();
    StartTest(true);
    for (int i = 0; i < 25; ++i) AnswerRight();
    for (int started : {0, 1}) {
        WordList shortList(4);
        shortList.Install();
        NoteCurrentList(testList);
        drill.testRandomStarted = started;
        drill.testDrawn = 25;
        drill.randomAnswered = 2;
        for (int i = 0; i < 6 && drill.testFinished == 0; ++i) AnswerRight();
        EXPECT_EQ(drill.testFinished, 1);
        EXPECT_TRUE(shortList.GuardsIntact());
        EXPECT_TRUE(shortList.SparesUntouched());
        drill.testHitAnim = 0;
        drilltest::AcknowledgeResultAndReset();
    }
}

TEST_F(TestCheckTest, TheResultLineIsCompleteBeforeTheTestIsMarkedFinished) {
    WordList list(8);
    list.Install();
    drill.testMode = 1;
    drill.testFinished = 0;
    FinishTest(5.0f, true);
    EXPECT_EQ(drill.testFinished.load(std::memory_order_acquire), 1);
    EXPECT_EQ(drill.resultText.Str(), ResultLine("62"));
    FinishTest(5.0f, false);
    EXPECT_EQ(drill.resultText.Str(), ResultLine(""));
    EXPECT_EQ(drill.scoreText.Str(), "62");
}

// The score is the quotient in double precision times 100, truncated.
// Where the double product falls just below a whole number the score is one
// less than the integer formula correct * 100 / count gives.
TEST(TestScore, TruncatesTheDoubleProductForEveryCountUpTo200) {
    struct Known {
        int correct, count, score;
    };
    for (Known k : {Known{2, 3, 66}, Known{29, 100, 28}, Known{57, 100, 56}, Known{58, 100, 57}, Known{29, 50, 57},
                    Known{0, 1, 0}, Known{1, 1, 100}, Known{0, 0, 0}}) {
        EXPECT_EQ(TestScore(static_cast<float>(k.correct), static_cast<float>(k.count)), k.score)
            << k.correct << " of " << k.count;
    }
    int differing = 0;
    for (int count = 1; count <= 200; ++count) {
        for (int correct = 0; correct <= count; ++correct) {
            const int score = TestScore(static_cast<float>(correct), static_cast<float>(count));
            const int integerFormula = correct * 100 / count;
            ASSERT_EQ(score, static_cast<int>(static_cast<double>(correct) / count * 100.0)) << correct << "/" << count;
            ASSERT_TRUE(score == integerFormula || score == integerFormula - 1) << correct << "/" << count;
            if (score != integerFormula) {
                ++differing;
                // Only where the exact quotient is a whole number.
                ASSERT_EQ(correct * 100 % count, 0) << correct << "/" << count;
            }
        }
    }
    EXPECT_GT(differing, 0);
    RecordProperty("scores_below_the_integer_formula", differing);
}

}  // namespace

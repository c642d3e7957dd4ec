// The grade from right or wrong and the typing time per letter against the
// learner's recent median; and the day a judgement counts for.
#include "features/record/grading.h"

#include <gtest/gtest.h>

#include <utility>

#include "features/record/learner_clock.h"
#include "tests/record/time_zone_for_test.h"

namespace kestran::record {
namespace {

TEST(Grading, FollowsTheStatedRule) {
    struct Case {
        bool right;
        std::optional<double> perLetter, median;
        fsrs::Grade grade;
    };
    const Case cases[] = {
        {false, 100.0, 100.0, fsrs::Again},        // wrong, however fast
        {false, std::nullopt, 100.0, fsrs::Again}, // a miss has no time
        {true, 151.0, 100.0, fsrs::Hard},          // over 1.5 x the median
        {true, 150.0, 100.0, fsrs::Good},          // exactly 1.5 x: not over
        {true, 75.0, 100.0, fsrs::Good},           // exactly 0.75 x: not under
        {true, 74.0, 100.0, fsrs::Easy},
        {true, 10.0, std::nullopt, fsrs::Good},    // no median yet
        {true, std::nullopt, 100.0, fsrs::Good},   // no time (the word never seen)
    };
    for (const Case& c : cases)
        EXPECT_EQ(GradeOf(c.right, c.perLetter, c.median), c.grade)
            << c.right << " " << c.perLetter.value_or(-1) << " " << c.median.value_or(-1);
}

TEST(Grading, MedianOfTheRecentWindow) {
    TypingMedian times;
    for (int i = 1; i < static_cast<int>(TypingMedian::kMinSamples); ++i) times.Add(i);
    EXPECT_FALSE(times.Median()) << "too few times for a median";
    times.Add(10);
    EXPECT_DOUBLE_EQ(*times.Median(), 5.5);  // 1..10
    // Only the last kWindow times count: a slow start is forgotten.
    for (std::size_t i = 0; i < TypingMedian::kWindow; ++i) times.Add(200);
    EXPECT_DOUBLE_EQ(*times.Median(), 200.0);
}

// The other tests of this program that need a zone set their own.
TEST(LearnerClock, DayTurnsAtFourInTheMorningLocalTime) {
    UseTimeZoneForTest("CST-8");
    // 2026-01-01 00:00 in UTC+8 is 2025-12-31 16:00 UTC; day 20454 is 2026-01-01.
    const std::int64_t midnight = (20454LL * 86400 - 8 * 3600) * 1000;
    for (const auto& [offsetMinutes, day] : {std::pair<std::int64_t, std::int64_t>{-60, 20453}, {3 * 60 + 59, 20453},
                                             {4 * 60, 20454}, {23 * 60 + 59, 20454}, {28 * 60, 20455}})
        EXPECT_EQ(LearnerDay(midnight + offsetMinutes * 60000), day) << offsetMinutes;
}

}  // namespace
}  // namespace kestran::record

// FSRS-6 with its default parameters against the reference values published
// with the model's own implementation (the fsrs crate, 6.x: model tests of
// the forgetting curve, difficulty, stability after recall, lapse and a
// same-day review, and two-step histories).
#include "features/record/fsrs.h"

#include <gtest/gtest.h>

namespace kestran::record::fsrs {
namespace {

constexpr double kTolerance = 1e-4;  // the references are single precision

TEST(Fsrs, ForgettingCurveMatchesReference) {
    const Model model;
    struct Case {
        double t, s, r;
    };
    for (const Case& c : {Case{0, 1, 1.0}, Case{1, 2, 0.9403443}, Case{4, 4, 0.9}, Case{5, 2, 0.8261359}})
        EXPECT_NEAR(model.Retrievability(c.t, c.s), c.r, kTolerance) << "t " << c.t << " s " << c.s;
    // The interval at the 90 % target is the stability itself, and a lower
    // target gives a longer one that lands on it.
    EXPECT_NEAR(model.Interval(0.9, 121.01552), 121.01552, 1e-3);
    EXPECT_NEAR(model.Retrievability(model.Interval(0.8, 10.0), 10.0), 0.8, 1e-9);
}

TEST(Fsrs, DifficultyAndStabilityUpdatesMatchReference) {
    const Model model;
    const Grade grades[] = {Again, Hard, Good, Easy};
    const double nextDifficulty[] = {8.341763, 6.6659956, 4.990228, 3.3144615};  // from D = 5
    const double recall[] = {25.602541, 28.226582, 58.656002, 127.226685};      // S = 5, D = 1..4, R = .9...6
    const double lapse[] = {1.0525396, 1.1894329, 1.3680838, 1.584989};
    const double shortTerm[] = {1.596818, 5.0, 5.0, 8.12961};  // S = 5, the same day
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const double d = i + 1.0, r = 0.9 - 0.1 * i;
        EXPECT_NEAR(model.NextDifficulty(5.0, grades[i]), nextDifficulty[i], kTolerance);
        // The reference computes the recall formula for every grade, Again's with no penalty or bonus.
        EXPECT_NEAR(model.StabilityAfterRecall(5.0, d, r, grades[i]), recall[i], 1e-3);
        EXPECT_NEAR(model.StabilityAfterLapse(5.0, d, r), lapse[i], kTolerance);
        EXPECT_NEAR(model.ShortTermStability(5.0, grades[i]), shortTerm[i], kTolerance);
    }
}

// Two judgements of a new entry: the first on day 0, the next 1 or 2 days
// later, with the same grade both times.
TEST(Fsrs, TwoJudgementHistoriesMatchReference) {
    const Model model;
    struct Case {
        Grade grade;
        int days;
        double s, d;
    };
    for (const Case& c : {Case{Again, 1, 0.10088589, 8.806304}, Case{Hard, 1, 3.2494123, 6.7404594},
                          Case{Good, 1, 7.3153, 2.1112142}, Case{Easy, 1, 18.014914, 1.0},
                          Case{Again, 2, 0.112798266, 8.806304}, Case{Hard, 2, 4.4694576, 6.7404594}}) {
        SCOPED_TRACE(testing::Message() << "grade " << c.grade << " after " << c.days);
        const Memory first = model.First(c.grade);
        EXPECT_DOUBLE_EQ(first.stability, kDefaultParameters[c.grade - 1]);
        const Memory second = model.Next(first, c.days, c.grade);
        EXPECT_NEAR(second.stability, c.s, 1e-3);
        EXPECT_NEAR(second.difficulty, c.d, kTolerance);
    }
}

// The model's bounds hold whatever comes in.
TEST(Fsrs, StaysWithinBounds) {
    const Model model;
    Memory memory = model.First(Easy);
    for (int i = 0; i < 60; ++i) memory = model.Next(memory, 36500, Easy);
    EXPECT_EQ(memory.stability, kMaxStability);
    for (int i = 0; i < 60; ++i) memory = model.Next(memory, 0, Again);
    EXPECT_GE(memory.stability, kMinStability);
    EXPECT_LE(memory.difficulty, 10.0);
}

}  // namespace
}  // namespace kestran::record::fsrs

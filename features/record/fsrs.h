// FSRS-6, the memory model of the free spaced-repetition scheduler, from
// its published formulas and its 21 default parameters. An entry's memory
// is its stability S (days until recall falls to 90 %) and difficulty D
// (1..10); each judgement moves them by the grade and by how much was
// forgotten since the last one.
//
// Days are whole learner's days: a judgement on the day of the one before
// follows the same-day (short-term) rule, any later one the long-term rules.
#pragma once

#include <array>

namespace kestran::record::fsrs {

enum Grade { Again = 1, Hard = 2, Good = 3, Easy = 4 };

using Parameters = std::array<double, 21>;
// FSRS-6's published defaults (w0..w20; w20 is the forgetting curve's decay).
inline constexpr Parameters kDefaultParameters = {
    0.212,  1.2931, 2.3065, 8.2956, 6.4133, 0.8334, 3.0194, 0.001,  1.8722, 0.1666, 0.796,
    1.4835, 0.0614, 0.2629, 1.6483, 0.6014, 1.8729, 0.5425, 0.0912, 0.0658, 0.1542};

inline constexpr double kMinStability = 0.001;
inline constexpr double kMaxStability = 36500.0;

struct Memory {
    double stability = 0;
    double difficulty = 0;
};

class Model {
public:
    explicit Model(const Parameters& w = kDefaultParameters) : w_(w) {}

    // The chance of recall `elapsedDays` after the last judgement.
    double Retrievability(double elapsedDays, double stability) const;
    // The days after which recall falls to `target`.
    double Interval(double target, double stability) const;

    // The memory after an entry's first judgement.
    Memory First(Grade grade) const;
    // The memory after a later judgement, `elapsedDays` (whole learner's
    // days, 0 for the same day) after the one before.
    Memory Next(const Memory& before, int elapsedDays, Grade grade) const;

    // The formulas one by one, for the checks against reference values.
    double InitialDifficulty(Grade grade) const;
    double NextDifficulty(double difficulty, Grade grade) const;  // with mean reversion
    double StabilityAfterRecall(double s, double d, double r, Grade grade) const;
    double StabilityAfterLapse(double s, double d, double r) const;
    double ShortTermStability(double s, Grade grade) const;

private:
    double Factor() const;
    Parameters w_;
};

}  // namespace kestran::record::fsrs

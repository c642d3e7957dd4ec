// The grade of a judgement from what KESTRAN sees: right or wrong, and how
// long the typing took per letter against the learner's own recent median.
//
//   wrong answer or counted miss                    Again
//   right, per-letter time > 1.5 x recent median    Hard
//   right, per-letter time < 0.75 x recent median   Easy
//   right otherwise, or fewer than kMinSamples      Good
//
// Test answers and practice hits are timed differently (reading a meaning
// and typing, against catching a moving word), so each keeps its own median.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>

#include "features/record/fsrs.h"

namespace kestran::record {

inline constexpr double kHardAbove = 1.5;
inline constexpr double kEasyBelow = 0.75;

// The last kWindow per-letter times of one kind of judgement.
class TypingMedian {
public:
    static constexpr std::size_t kWindow = 100;
    static constexpr std::size_t kMinSamples = 10;

    void Add(double msPerLetter);
    // None until kMinSamples times are known.
    std::optional<double> Median() const;

private:
    std::deque<double> recent_;
};

fsrs::Grade GradeOf(bool right, std::optional<double> msPerLetter, std::optional<double> median);

}  // namespace kestran::record

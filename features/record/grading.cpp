#include "features/record/grading.h"

#include <algorithm>
#include <vector>

namespace kestran::record {

void TypingMedian::Add(double msPerLetter) {
    recent_.push_back(msPerLetter);
    if (recent_.size() > kWindow) recent_.pop_front();
}

std::optional<double> TypingMedian::Median() const {
    if (recent_.size() < kMinSamples) return std::nullopt;
    std::vector<double> sorted(recent_.begin(), recent_.end());
    const std::size_t middle = sorted.size() / 2;
    std::nth_element(sorted.begin(), sorted.begin() + middle, sorted.end());
    if (sorted.size() % 2 == 1) return sorted[middle];
    const double upper = sorted[middle];
    const double lower = *std::max_element(sorted.begin(), sorted.begin() + middle);
    return (lower + upper) / 2.0;
}

fsrs::Grade GradeOf(bool right, std::optional<double> msPerLetter, std::optional<double> median) {
    if (!right) return fsrs::Again;
    if (!msPerLetter || !median || *median <= 0) return fsrs::Good;
    if (*msPerLetter > kHardAbove * *median) return fsrs::Hard;
    if (*msPerLetter < kEasyBelow * *median) return fsrs::Easy;
    return fsrs::Good;
}

}  // namespace kestran::record

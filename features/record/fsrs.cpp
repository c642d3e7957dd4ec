#include "features/record/fsrs.h"

#include <algorithm>
#include <cmath>

namespace kestran::record::fsrs {
namespace {

double ClampStability(double s) { return std::clamp(s, kMinStability, kMaxStability); }
double ClampDifficulty(double d) { return std::clamp(d, 1.0, 10.0); }

}  // namespace

// R(t, S) = (1 + factor * t / S)^-decay, with factor chosen so that R(S, S) = 0.9.
double Model::Factor() const { return std::pow(0.9, -1.0 / w_[20]) - 1.0; }

double Model::Retrievability(double elapsedDays, double stability) const {
    const double t = std::max(elapsedDays, 0.0);
    return std::pow(1.0 + Factor() * t / std::max(stability, kMinStability), -w_[20]);
}

double Model::Interval(double target, double stability) const {
    const double r = std::clamp(target, 0.0001, 0.9999);
    return std::clamp(stability / Factor() * (std::pow(r, -1.0 / w_[20]) - 1.0), 0.0, kMaxStability);
}

double Model::InitialDifficulty(Grade grade) const { return w_[4] - std::exp(w_[5] * (grade - 1)) + 1.0; }

Memory Model::First(Grade grade) const {
    return {ClampStability(w_[grade - 1]), ClampDifficulty(InitialDifficulty(grade))};
}

// D' = D + (10 - D) / 9 * -w6 (G - 3), then pulled towards D0(Easy) by w7.
double Model::NextDifficulty(double d, Grade grade) const {
    const double damped = d + (10.0 - d) / 9.0 * (-w_[6] * (grade - 3));
    return ClampDifficulty(w_[7] * InitialDifficulty(Easy) + (1.0 - w_[7]) * damped);
}

double Model::StabilityAfterRecall(double s, double d, double r, Grade grade) const {
    const double hardPenalty = grade == Hard ? w_[15] : 1.0;
    const double easyBonus = grade == Easy ? w_[16] : 1.0;
    return s * (std::exp(w_[8]) * (11.0 - d) * std::pow(s, -w_[9]) * (std::exp(w_[10] * (1.0 - r)) - 1.0) *
                    hardPenalty * easyBonus +
                1.0);
}

// Never above what a same-day lapse would leave.
double Model::StabilityAfterLapse(double s, double d, double r) const {
    const double lapse =
        w_[11] * std::pow(d, -w_[12]) * (std::pow(s + 1.0, w_[13]) - 1.0) * std::exp(w_[14] * (1.0 - r));
    return std::min(lapse, s / std::exp(w_[17] * w_[18]));
}

// S' = S * e^(w17 (G - 3 + w18)) * S^-w19; a pass (Hard or better) never
// lowers it.
double Model::ShortTermStability(double s, Grade grade) const {
    double increase = std::exp(w_[17] * (grade - 3 + w_[18])) * std::pow(s, -w_[19]);
    if (grade >= Hard) increase = std::max(increase, 1.0);
    return s * increase;
}

Memory Model::Next(const Memory& before, int elapsedDays, Grade grade) const {
    const double s = ClampStability(before.stability);
    const double d = ClampDifficulty(before.difficulty);
    double next;
    if (elapsedDays <= 0) {
        next = ShortTermStability(s, grade);
    } else {
        const double r = Retrievability(elapsedDays, s);
        next = grade == Again ? StabilityAfterLapse(s, d, r) : StabilityAfterRecall(s, d, r, grade);
    }
    return {ClampStability(next), NextDifficulty(d, grade)};
}

}  // namespace kestran::record::fsrs

#include "features/report/record_seam.h"

#include <cmath>
#include <ctime>

namespace kestran::report::seam {
namespace {

// FSRS-6's default decay (w20) and the factor that makes R(S, S) = 0.9.
constexpr double kDecay = 0.1542;
const double kFactor = std::pow(0.9, -1.0 / kDecay) - 1.0;

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
int DaysFromCivil(int year, unsigned month, unsigned day) {
    year -= month <= 2;
    const int era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<int>(dayOfEra) - 719468;
}

}  // namespace

int LearnerDay(std::int64_t unixMs) {
    const std::time_t shifted = static_cast<std::time_t>(unixMs / 1000 - (unixMs % 1000 < 0)) - 4 * 3600;
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &shifted);
#else
    localtime_r(&shifted, &local);
#endif
    return DaysFromCivil(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                         static_cast<unsigned>(local.tm_mday));
}

double Retrievability(double elapsedDays, double stability) {
    if (stability <= 0) return 0;
    return std::pow(1.0 + kFactor * elapsedDays / stability, -kDecay);
}

int DueDay(int lastDay, double stability, double target) {
    if (!(target > 0 && target < 1)) target = 0.9;
    // R falls with time: the interval at which it reaches the target, and
    // the first whole day past it.
    const double interval = stability / kFactor * (std::pow(target, -1.0 / kDecay) - 1.0);
    int elapsed = static_cast<int>(std::floor(interval));
    while (elapsed > 0 && Retrievability(elapsed, stability) < target) --elapsed;
    while (Retrievability(elapsed, stability) >= target) ++elapsed;
    return lastDay + elapsed;
}

}  // namespace kestran::report::seam

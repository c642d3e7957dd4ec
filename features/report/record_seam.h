// SEAM: the record's day and memory-model functions, written here until the
// study record's own (features/record/) land; then these forward to them
// and this file goes. The report must schedule exactly as the record does.
#pragma once

#include <cstdint>

namespace kestran::report::seam {

// The learner's day of an instant (Unix ms, UTC): days since 1970-01-01 of
// local time minus 4 hours, so a session past midnight counts for the
// evening before.
int LearnerDay(std::int64_t unixMs);

// FSRS (version 6, default parameters): the probability of recalling an
// entry `elapsedDays` after its last review, given its stability in days.
double Retrievability(double elapsedDays, double stability);

// The first learner's day on which a card last judged on `lastDay` is due:
// its retrievability falls under `target`.
int DueDay(int lastDay, double stability, double target);

}  // namespace kestran::report::seam

namespace kestran::report::seam {

// The record file's name in the data folder (GBK): 学习记录.db.
inline constexpr char kRecordFileName[] = "\xD1\xA7\xCF\xB0\xBC\xC7\xC2\xBC.db";
// The retention the schedule aims at, until the learner's own setting lands.
inline constexpr double kDefaultTarget = 0.9;

}  // namespace kestran::report::seam

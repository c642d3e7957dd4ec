// The record's clock: Unix milliseconds, and the learner's day they fall on.
// A learner's day runs from 4 a.m. to 4 a.m. local time, so that an evening
// session past midnight counts for the evening.
//
// KESTRAN_TEST_CLOCK_OFFSET_HOURS (tests only) moves the record's clock by
// that many hours, so a run can see "tomorrow" without waiting for it.
#pragma once

#include <cstdint>
#include <string>

namespace kestran::record {

// Now, in Unix milliseconds (UTC), moved by the test offset if set.
std::int64_t NowMs();
// Moves the clock by `ms` from the real time (replacing the environment's
// offset). Tests only.
void SetClockOffsetForTest(std::int64_t ms);
// The learner's day of a Unix-millisecond time: days since 1970-01-01 of
// the local time minus 4 hours.
std::int64_t LearnerDay(std::int64_t unixMs);
// A Unix-millisecond time as local time, written by strftime's `format`.
std::string LocalTimeText(std::int64_t unixMs, const char* format);

}  // namespace kestran::record

// Learner's days (days since 1970-01-01) as dates for the page.
#pragma once

#include <string>

namespace kestran::report {

struct CivilDate {
    int year = 1970, month = 1, day = 1;
};
CivilDate CivilFromDays(int days);
std::string IsoDate(int days);    // 2026-12-08
std::string ShortDate(int days);  // 12-08

}  // namespace kestran::report

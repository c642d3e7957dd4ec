#include "features/report/report_dates.h"

#include <cstdio>

namespace kestran::report {

CivilDate CivilFromDays(int days) {
    // Howard Hinnant's civil-from-days, for the proleptic Gregorian calendar.
    const int shifted = days + 719468;
    const int era = (shifted >= 0 ? shifted : shifted - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(shifted - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    CivilDate date;
    date.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    date.month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    date.year = static_cast<int>(yearOfEra) + era * 400 + (date.month <= 2);
    return date;
}

std::string IsoDate(int days) {
    const CivilDate date = CivilFromDays(days);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    return text;
}

std::string ShortDate(int days) { return IsoDate(days).substr(5); }

}  // namespace kestran::report

// Sets the process's time zone (TZ syntax), which places the learner's day.
#pragma once

#include <cstdlib>
#include <ctime>

inline void UseTimeZoneForTest(const char* zone) {
#ifdef _WIN32
    _putenv_s("TZ", zone);
    _tzset();
#else
    ::setenv("TZ", zone, 1);
    ::tzset();
#endif
}

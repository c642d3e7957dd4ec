#include "features/record/learner_clock.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>

namespace kestran::record {
namespace {

std::atomic<std::int64_t>& OffsetMs() {
    static std::atomic<std::int64_t> offset = [] {
        const char* hours = std::getenv("KESTRAN_TEST_CLOCK_OFFSET_HOURS");
        return hours ? static_cast<std::int64_t>(std::atof(hours) * 3600.0 * 1000.0) : std::int64_t{0};
    }();
    return offset;
}

// Seconds east of UTC at `seconds` (local time minus UTC).
long UtcOffsetSeconds(std::time_t seconds) {
    std::tm local{}, utc{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
    gmtime_s(&utc, &seconds);
#else
    localtime_r(&seconds, &local);
    gmtime_r(&seconds, &utc);
#endif
    // Both read back as if they were UTC: their difference is the offset.
    utc.tm_isdst = local.tm_isdst;
    return static_cast<long>(std::difftime(std::mktime(&local), std::mktime(&utc)));
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

std::int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count() + OffsetMs().load();
}

void SetClockOffsetForTest(std::int64_t ms) { OffsetMs() = ms; }

std::int64_t LearnerDay(std::int64_t unixMs) {
    const std::int64_t seconds = FloorDiv(unixMs, 1000);
    const std::int64_t local = seconds + UtcOffsetSeconds(static_cast<std::time_t>(seconds));
    return FloorDiv(local - 4 * 3600, 86400);
}

std::string LocalTimeText(std::int64_t unixMs, const char* format) {
    const std::time_t seconds = static_cast<std::time_t>(unixMs / 1000);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    char text[64] = {};
    std::strftime(text, sizeof text, format, &local);
    return text;
}

}  // namespace kestran::record

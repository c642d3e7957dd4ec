// Writes a drilled learner's record and its report into a folder, for the
// browser test: prints the page's path, then, one line a chart, the keys
// (days, weeks' Mondays, rows) that must carry a mark:
//   calendar 20706 20707 ...
// Usage: report_sim_writer FOLDER
#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "features/report/report_writer.h"
#include "tests/record/time_zone_for_test.h"
#include "tests/report/drilled_learner.h"

using namespace kestran;
using namespace kestran::report;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    UseTimeZoneForTest("UTC0");
    const std::string folder = argv[1], path = folder + "/record.db";
    constexpr int kToday = 20795, kFirst = kToday - 60;
    record::RecordDb db;
    const reporttest::Drilled drilled =
        db.Open(path) == record::RecordDb::Opened::Ok ? reporttest::DrillLearner(db, kFirst, kToday) : reporttest::Drilled{};
    if (drilled.answers.empty() || !drilled.ok) {
        std::fprintf(stderr, "record not written\n");
        return 1;
    }
    const char* book = reporttest::kDrilledBook;
    const std::vector<wordbooks::Book> books = {{"GRE", "GRE", 3, 90}, {book, book, 50, 5000}, {"TOEFL", "TOEFL", 4, 400}};
    const ReportResult result = WriteReport({folder, path, books, (kToday * 86400LL + 15 * 3600) * 1000});
    if (!result.written) {
        std::fprintf(stderr, "report not written: %s\n", result.error.c_str());
        return 1;
    }
    std::printf("%s\n", result.path.c_str());

    // The learner drilled and tested the chapter every day up to yesterday.
    std::map<std::string, std::set<int>> marks;
    for (const auto& [day, count] : drilled.answers) {
        marks["calendar"].insert(day);
        marks["scores"].insert(day);
        if (day > kToday - kRecentDays) marks["recent"].insert(day);
    }
    for (const auto& [day, count] : drilled.reviews) marks["retention"].insert(WeekStart(day));
    for (const auto& [monday, week] : drilled.typing) marks["typing"].insert(monday);
    for (int day = kToday; day < kToday + kForecastDays; ++day)
        if (db.CountDue(day) > (day == kToday ? 0 : db.CountDue(day - 1))) marks["due"].insert(day);
    for (int row = 0; row < 3; ++row) marks["books"].insert(row);
    for (int row = 0; row < kMostMissed; ++row) marks["missed"].insert(row);
    for (const auto& [chart, keys] : marks) {
        std::printf("%s", chart.c_str());
        for (int key : keys) std::printf(" %d", key);
        std::printf("\n");
    }
    return 0;
}

// Writes a simulated learner's record and its report into a folder, for
// the browser test: prints the page's path, then, one line a chart, the
// keys (days, weeks' Mondays, rows) that must carry a mark:
//   calendar 20706 20707 ...
// Usage: report_sim_writer FOLDER [DAYS]
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <string>

#include "features/report/report_figures.h"
#include "features/report/report_writer.h"
#include "tests/report/report_test_support.h"
#include "tests/report/simulated_learner.h"

using namespace kestran::report;
using namespace kestran::reporttest;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [DAYS]\n", argv[0]);
        return 2;
    }
    UseUtcClock();
    const std::string folder = argv[1];
    SimConfig config;
    config.today = 20795;
    if (argc > 2) config.days = std::atoi(argv[2]);
    const std::string record = folder + "/record.db";
    const SimTruth truth = SimulateLearner(record, config);
    const ReportResult result =
        WriteReport({folder, record, kestran::wordbooks::ParseBooks(SimulatedCatalogue()), (config.today * 86400LL + 15 * 3600) * 1000});
    if (!result.written) {
        std::fprintf(stderr, "report not written: %s\n", result.error.c_str());
        return 1;
    }
    std::printf("%s\n", result.path.c_str());

    std::map<std::string, std::set<int>> marks;
    for (const auto& [day, count] : truth.answers) marks["calendar"].insert(day);
    for (const auto& [day, count] : truth.newWords)
        if (day > config.today - kRecentDays) marks["recent"].insert(day);
    for (const auto& [day, tally] : truth.reviews)
        if (day > config.today - kRecentDays) marks["recent"].insert(day);
    for (const SimTest& test : truth.tests) marks["scores"].insert(test.day);
    for (const auto& [day, tally] : truth.reviews) marks["retention"].insert(WeekStart(day));
    for (const auto& [day, tally] : truth.typing) marks["typing"].insert(WeekStart(day));
    for (const SimCard& card : truth.cards) {
        const int due = std::max(card.lastDay + static_cast<int>(std::floor(card.stability)) + 1, config.today);
        if (due < config.today + kForecastDays) marks["due"].insert(due);
    }
    for (int row = 0; row < 3; ++row) marks["books"].insert(row);
    for (int row = 0; row < kMostMissed; ++row) marks["missed"].insert(row);
    for (const auto& [chart, keys] : marks) {
        std::printf("%s", chart.c_str());
        for (int key : keys) std::printf(" %d", key);
        std::printf("\n");
    }
    return 0;
}

// The report's figures, one rule at a time, on small records made for it
// (a whole drilled record is in report_from_record_test.cpp).
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>

#include "features/record/record_schema.h"
#include "features/record/fsrs.h"
#include "features/report/report_dates.h"
#include "features/report/report_figures.h"

namespace {

using namespace kestran::report;

struct Record {
    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db{nullptr, sqlite3_close};
    Record() {
        sqlite3* opened = nullptr;
        sqlite3_open(":memory:", &opened);
        db.reset(opened);
        sqlite3_exec(opened, kestran::record::kSchemaSql, nullptr, nullptr, nullptr);
    }
    void Run(const std::string& sql) { ASSERT_EQ(sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql; }
    void AnswerOn(int day) {
        Run("INSERT INTO events(at, day, kind, list, word, meaning, right, ms, letters) VALUES(0, " + std::to_string(day) +
            ", 'hit', 'l', 'w', 'm', 1, 500, 1)");
    }
    ReportFigures Figures(int today) {
        std::string error;
        auto figures = ComputeFigures(db.get(), {today, 0.9, {}}, error);
        EXPECT_TRUE(figures) << error;
        return figures ? *figures : ReportFigures{};
    }
};

TEST(ReportRules, StreakRunsBackFromTodayOrAStillEmptyToday) {
    struct Case {
        std::vector<int> daysBack;  // days before today with an answer
        int streak;
    } cases[] = {
        {{}, 0},          {{0}, 1},          {{0, 1, 2}, 3},  {{1, 2}, 2},        {{2, 3}, 0},
        {{0, 2, 3}, 1},   {{1, 2, 4, 5}, 2}, {{-1, 0, 1}, 2},  // an answer "tomorrow" (a clock moved back) does not count
    };
    constexpr int kToday = 20795;
    for (const Case& c : cases) {
        Record record;
        for (int back : c.daysBack) record.AnswerOn(kToday - back);
        EXPECT_EQ(record.Figures(kToday).streak, c.streak) << ::testing::PrintToString(c.daysBack);
    }
}

TEST(ReportRules, WeeksBeginOnMonday) {
    const std::pair<int, int> cases[] = {
        {20795, 20794},  // Tue 2026-12-08 -> Mon 2026-12-07
        {20794, 20794},  // a Monday is its own
        {20800, 20794},  // Sunday 2026-12-13
        {0, -3},         // Thu 1970-01-01 -> Mon 1969-12-29
        {-4, -10},       // Sun 1969-12-28
    };
    for (const auto& [day, monday] : cases) EXPECT_EQ(WeekStart(day), monday) << day;
    const std::pair<int, const char*> dates[] = {{20795, "2026-12-08"}, {19782, "2024-02-29"}, {11017, "2000-03-01"}, {-3, "1969-12-29"}};
    for (const auto& [day, text] : dates) EXPECT_EQ(IsoDate(day), text);
}

TEST(ReportRules, ARecordWithoutItsTablesIsAnErrorNotZeros) {
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    std::string error;
    EXPECT_FALSE(ComputeFigures(db, {20795, 0.9, {}}, error));
    EXPECT_NE(error.find("no such table"), std::string::npos) << error;
    sqlite3_close(db);
}

// R(S, S) = 0.9 for every stability: a card is due the first whole day
// after its stability, and later for a lower target.
TEST(ReportRules, DueDayFollowsTheForgettingCurve) {
    const struct {
        double stability, target;
        int dueAfter;
    } cases[] = {{0.4, 0.9, 1}, {1.5, 0.9, 2}, {5.52, 0.9, 6}, {30.7, 0.9, 31}, {400.2, 0.9, 401}, {10.5, 0.8, 35}, {10.5, 0.95, 5}};
    for (const auto& c : cases) {
        const kestran::record::fsrs::Model model;
        EXPECT_EQ(DueDay(100, c.stability, c.target), 100 + c.dueAfter) << c.stability << " " << c.target;
        EXPECT_LT(model.Retrievability(c.dueAfter, c.stability), c.target);
        EXPECT_GE(model.Retrievability(c.dueAfter - 1, c.stability), c.target);
    }
}

}  // namespace

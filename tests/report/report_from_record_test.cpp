// The report read from a record the record itself wrote (see
// drilled_learner.h): its figures set against what the record answers (due
// each day, each book's progress, its event count) and against what each
// judgement and test returned.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <tuple>

#include "features/report/report_dates.h"
#include "tests/record/time_zone_for_test.h"
#include "tests/report/drilled_learner.h"
#include "tests/report/report_test_support.h"

namespace {

using namespace kestran;
using namespace kestran::report;

TEST(ReportFromRecord, FiguresAgreeWithTheRecordsOwnAnswers) {
    UseTimeZoneForTest("UTC0");
    reporttest::TempFolder folder;
    record::RecordDb db;
    ASSERT_EQ(db.Open(folder.Record()), record::RecordDb::Opened::Ok);
    constexpr int kFirst = 20740, kDays = 42, kToday = kFirst + kDays;
    reporttest::Drilled drilled = reporttest::DrillLearner(db, kFirst, kToday);
    ASSERT_TRUE(drilled.ok);
    // A second book, never drilled: all its words are new.
    const char* book = reporttest::kDrilledBook;
    std::vector<wordbooks::Book> books = {{book, book, 10, 300}, {"GRE", "GRE", 3, 90}};

    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open_v2(folder.Record().c_str(), &raw, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    std::string error;
    const auto figures = ComputeFigures(raw, {kToday, db.Target(), books}, error);
    sqlite3_close(raw);
    ASSERT_TRUE(figures) << error;

    EXPECT_EQ(figures->totalEvents, db.EventCount());
    for (int i = 0; i < kCalendarDays; ++i) EXPECT_EQ(figures->answers[i], drilled.answers[figures->FirstCalendarDay() + i]) << i;
    EXPECT_EQ(figures->studiedDays, kDays);
    // The learner studied every day up to yesterday: today does not break it.
    EXPECT_EQ(figures->streak, kDays);
    // Today's count holds the overdue; each later day those that fall due then.
    ASSERT_EQ(figures->due.size(), static_cast<std::size_t>(kForecastDays));
    EXPECT_EQ(figures->due[0], static_cast<int>(db.CountDue(kToday)));
    EXPECT_GT(figures->due[0], 0);
    for (int i = 1; i < kForecastDays; ++i)
        EXPECT_EQ(figures->due[i], static_cast<int>(db.CountDue(kToday + i) - db.CountDue(kToday + i - 1))) << i;
    const record::BookProgress progress = db.Progress(book, kToday);
    EXPECT_EQ(figures->books[0].learning, progress.learning);
    EXPECT_EQ(figures->books[0].known, progress.known);
    EXPECT_EQ(figures->known, progress.known);
    EXPECT_EQ(figures->books[0].learning + figures->books[0].known, static_cast<int>(drilled.learned.size()));
    EXPECT_EQ(figures->books[1].New(), 90);
    EXPECT_EQ(figures->entries, static_cast<int>(drilled.learned.size()));

    int total = 0;
    for (const DayLearning& day : figures->recent) {
        EXPECT_EQ(day.reviews, drilled.reviews[day.day]) << day.day;
        EXPECT_EQ(day.newWords, day.day < kToday ? 5 : 0) << day.day;
        total += day.reviews;
    }
    EXPECT_GT(total, 50);
    // Retention is of due reviews; the learner also saw entries before they
    // fell due, which it leaves out.
    auto expectRetention = [&](const ReportFigures& got, const std::map<int, int>& reviews,
                               const std::map<int, int>& rights) {
        int counted = 0;
        for (const WeekShare& week : got.retention) {
            int n = 0, right = 0;
            for (int day = week.firstDay; day < week.firstDay + 7; ++day) {
                n += reviews.count(day) ? reviews.at(day) : 0;
                right += rights.count(day) ? rights.at(day) : 0;
            }
            EXPECT_EQ(std::make_pair(week.reviews, week.right), std::make_pair(n, right)) << IsoDate(week.firstDay);
            counted += week.reviews;
        }
        return counted;
    };
    const int dueCounted = expectRetention(*figures, drilled.dueReviews, drilled.dueRights);
    EXPECT_GT(dueCounted, 0);
    for (const WeekTyping& week : figures->typing) {
        const WeekTyping& expected = drilled.typing[week.firstDay];
        EXPECT_EQ(std::make_tuple(week.answers, week.ms, week.letters), std::make_tuple(expected.answers, expected.ms, expected.letters))
            << IsoDate(week.firstDay);
    }

    // Each list's scores, oldest first; the list tested last comes first. A
    // book's chapter is named by book and chapter, another list by its file.
    std::map<std::string, std::vector<int>> scores;
    for (const auto& [list, score] : drilled.tests) scores[list].push_back(score);
    ASSERT_EQ(figures->scores.size(), 2u);
    EXPECT_EQ(figures->scores[0].list, drilled.tests.back().first);
    for (const ListScores& list : figures->scores) {
        std::vector<int> got;
        for (const TestPoint& test : list.tests) got.push_back(test.score);
        EXPECT_EQ(got, scores[list.list]) << list.name;
        EXPECT_EQ(list.name, list.list == reporttest::kChapterList ? "\xE5\x9B\x9B\xE7\xBA\xA7-001"  // 四级-001
                                                                  : "\xE4\xBB\x8A\xE6\x97\xA5\xE5\xA4\x8D\xE4\xB9\xA0");  // 今日复习
    }

    // Most missed first, then missed last latest.
    std::vector<std::tuple<int, int, std::string, std::string>> ranked;
    for (const auto& [entry, miss] : drilled.misses) ranked.emplace_back(-miss.first, -miss.second, entry.first, entry.second);
    std::sort(ranked.begin(), ranked.end());
    ASSERT_EQ(figures->missed.size(), static_cast<std::size_t>(kMostMissed));
    for (std::size_t i = 0; i < figures->missed.size(); ++i) {
        const MissedWord& word = figures->missed[i];
        EXPECT_EQ(std::make_tuple(-word.misses, -word.lastDay, word.word, word.meaning), ranked[i]) << i;
    }

    // A record kept before it noted which reviews were due, not yet opened
    // by this version: the report still reads it, counting every review.
    db.Close();
    ASSERT_EQ(sqlite3_open_v2(folder.Record().c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "ALTER TABLE events DROP COLUMN due", nullptr, nullptr, nullptr), SQLITE_OK);
    const auto older = ComputeFigures(raw, {kToday, db.Target(), books}, error);
    sqlite3_close(raw);
    ASSERT_TRUE(older) << error;
    EXPECT_GT(expectRetention(*older, drilled.reviews, drilled.rights), dueCounted);
}

}  // namespace

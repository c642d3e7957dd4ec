// The report's figures against a simulated learner's record: every figure
// is counted again, the simulation's own way, while it writes the record.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <tuple>

#include "features/record/record_schema.h"
#include "features/record/fsrs.h"
#include "features/report/report_dates.h"
#include "features/report/report_figures.h"
#include "tests/report/report_test_support.h"
#include "tests/report/simulated_learner.h"

namespace {

using namespace kestran::report;
using namespace kestran::reporttest;

class SimulatedRecord : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        UseUtcClock();
        folder = new TempFolder;
        const std::string path = folder->Record();
        truth = new SimTruth(SimulateLearner(path, config));
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        ReportInputs inputs;
        inputs.today = config.today;
        inputs.books = kestran::wordbooks::ParseBooks(SimulatedCatalogue());
        std::string error;
        auto computed = ComputeFigures(db, inputs, error);
        sqlite3_close(db);
        ASSERT_TRUE(computed) << error;
        figures = new ReportFigures(std::move(*computed));
    }
    static void TearDownTestSuite() {
        delete figures;
        delete truth;
        delete folder;
    }

    static inline const SimConfig config{};
    static inline TempFolder* folder = nullptr;
    static inline SimTruth* truth = nullptr;
    static inline ReportFigures* figures = nullptr;
};

TEST_F(SimulatedRecord, CalendarCountsEachDaysAnswersAndTheStreak) {
    ASSERT_EQ(figures->answers.size(), static_cast<std::size_t>(kCalendarDays));
    int studied = 0;
    for (int i = 0; i < kCalendarDays; ++i) {
        const int day = figures->FirstCalendarDay() + i;
        const auto found = truth->answers.find(day);
        EXPECT_EQ(figures->answers[i], found == truth->answers.end() ? 0 : found->second) << IsoDate(day);
        studied += found != truth->answers.end();
    }
    EXPECT_EQ(figures->studiedDays, studied);
    EXPECT_GT(studied, config.days / 2);
    EXPECT_EQ(figures->totalEvents, truth->events);
    EXPECT_EQ(figures->streak, config.streakTail);
}

TEST_F(SimulatedRecord, NewWordsAndReviewsOfTheLastThirtyDays) {
    ASSERT_EQ(figures->recent.size(), static_cast<std::size_t>(kRecentDays));
    EXPECT_EQ(figures->recent.back().day, config.today);
    int reviews = 0;
    for (const DayLearning& day : figures->recent) {
        const auto fresh = truth->newWords.find(day.day);
        const auto reviewed = truth->reviews.find(day.day);
        EXPECT_EQ(day.newWords, fresh == truth->newWords.end() ? 0 : fresh->second) << IsoDate(day.day);
        EXPECT_EQ(day.reviews, reviewed == truth->reviews.end() ? 0 : reviewed->second.count) << IsoDate(day.day);
        reviews += day.reviews;
    }
    EXPECT_GT(reviews, 0);
}

TEST_F(SimulatedRecord, TestScoresPerListLatestListFirst) {
    std::map<std::string, std::vector<std::pair<int, int>>> expected;
    for (const SimTest& test : truth->tests) expected[test.list].emplace_back(test.day, test.score);
    ASSERT_EQ(figures->scores.size(), expected.size());
    for (const ListScores& list : figures->scores) {
        std::vector<std::pair<int, int>> got;
        for (const TestPoint& test : list.tests) got.emplace_back(test.day, test.score);
        EXPECT_EQ(got, expected[list.list]) << list.name;
    }
    // The list tested last comes first; books' chapters are named by book
    // and chapter, other lists by their file's name.
    EXPECT_EQ(figures->scores.front().list, truth->tests.back().list);
    std::set<std::string> names;
    for (const ListScores& list : figures->scores) names.insert(list.name);
    EXPECT_TRUE(names.count("\xE5\x9B\x9B\xE7\xBA\xA7-001"));                            // 四级-001
    EXPECT_TRUE(names.count("\xE6\x88\x91\xE7\x9A\x84\xE8\xAF\x8D\xE8\xA1\xA8"));        // 我的词表
    EXPECT_TRUE(names.count("\xE4\xBB\x8A\xE6\x97\xA5\xE5\xA4\x8D\xE4\xB9\xA0"));        // 今日复习
}

TEST_F(SimulatedRecord, RetentionAndTypingTimeByWeek) {
    std::map<int, Tally> reviews, typing;
    for (const auto& [day, tally] : truth->reviews) {
        reviews[WeekStart(day)].count += tally.count;
        reviews[WeekStart(day)].right += tally.right;
    }
    for (const auto& [day, tally] : truth->typing) {
        Tally& week = typing[WeekStart(day)];
        week.count += tally.count;
        week.ms += tally.ms;
        week.letters += tally.letters;
    }
    ASSERT_EQ(figures->retention.size(), static_cast<std::size_t>(kWeeks));
    ASSERT_EQ(figures->typing.size(), static_cast<std::size_t>(kWeeks));
    EXPECT_EQ(figures->retention.back().firstDay, WeekStart(config.today));
    int weeksWithReviews = 0;
    for (const WeekShare& week : figures->retention) {
        EXPECT_EQ(week.reviews, reviews[week.firstDay].count) << IsoDate(week.firstDay);
        EXPECT_EQ(week.right, reviews[week.firstDay].right) << IsoDate(week.firstDay);
        weeksWithReviews += week.reviews > 0;
    }
    EXPECT_GE(weeksWithReviews, 12);
    for (const WeekTyping& week : figures->typing) {
        EXPECT_EQ(week.answers, typing[week.firstDay].count) << IsoDate(week.firstDay);
        EXPECT_EQ(week.ms, typing[week.firstDay].ms);
        EXPECT_EQ(week.letters, typing[week.firstDay].letters);
    }
}

// A stability is the days after which recall falls to 90 %: a card is due
// at the first whole day past it.
TEST_F(SimulatedRecord, ReviewsDueEachOfTheNextThirtyDays) {
    std::vector<int> due(kForecastDays, 0);
    for (const SimCard& card : truth->cards) {
        const int day = card.lastDay + static_cast<int>(std::floor(card.stability)) + 1;
        const int from = std::max(day - config.today, 0);
        if (from < kForecastDays) ++due[from];
    }
    EXPECT_EQ(figures->due, due);
    EXPECT_GT(due[0], 0);
    EXPECT_EQ(figures->entries, static_cast<int>(truth->cards.size()));
}

TEST_F(SimulatedRecord, ProgressOfEachWordBook) {
    std::map<std::string, std::pair<int, int>> expected;  // learning, known
    for (const SimCard& card : truth->cards) {
        auto& counts = expected[card.book];
        card.stability >= kKnownStability ? ++counts.second : ++counts.first;
    }
    ASSERT_EQ(figures->books.size(), 3u);
    int known = 0;
    for (const BookProgress& book : figures->books) {
        EXPECT_EQ(book.learning, expected[book.book.folder].first) << book.book.folder;
        EXPECT_EQ(book.known, expected[book.book.folder].second) << book.book.folder;
        EXPECT_EQ(book.New(), book.book.words - book.learning - book.known);
        known += book.known;
    }
    EXPECT_GT(known, 0);
    EXPECT_EQ(figures->known, known);
    EXPECT_EQ(figures->books[0].learning + figures->books[0].known, 0);  // 中考: never drilled
}

TEST_F(SimulatedRecord, TheTwentyWordsMissedMost) {
    std::vector<std::tuple<int, int, std::string, std::string>> ranked;  // -count, -last day, word, meaning
    for (const auto& [entry, miss] : truth->misses) ranked.emplace_back(-miss.first, -miss.second, entry.first, entry.second);
    std::sort(ranked.begin(), ranked.end());
    ASSERT_EQ(figures->missed.size(), static_cast<std::size_t>(kMostMissed));
    for (std::size_t i = 0; i < figures->missed.size(); ++i) {
        const MissedWord& word = figures->missed[i];
        EXPECT_EQ(std::make_tuple(-word.misses, -word.lastDay, word.word, word.meaning), ranked[i]) << i;
    }
}

// --- Small records made for one rule ------------------------------------------

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

TEST(ReportRules, AnEmptyRecordGivesZeroFigures) {
    Record record;
    const ReportFigures figures = record.Figures(20795);
    EXPECT_EQ(figures.streak, 0);
    EXPECT_EQ(figures.totalEvents, 0);
    EXPECT_EQ(std::count(figures.answers.begin(), figures.answers.end(), 0), kCalendarDays);
    EXPECT_EQ(std::count(figures.due.begin(), figures.due.end(), 0), kForecastDays);
    EXPECT_TRUE(figures.scores.empty());
    EXPECT_TRUE(figures.missed.empty());
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
        EXPECT_NEAR(model.Retrievability(c.stability, c.stability), 0.9, 1e-12);
        EXPECT_EQ(DueDay(100, c.stability, c.target), 100 + c.dueAfter) << c.stability << " " << c.target;
        EXPECT_LT(model.Retrievability(c.dueAfter, c.stability), c.target);
        EXPECT_GE(model.Retrievability(c.dueAfter - 1, c.stability), c.target);
    }
}

}  // namespace

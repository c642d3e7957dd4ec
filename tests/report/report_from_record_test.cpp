// The report read from a record the record itself wrote: a learner drilled
// through RecordDb for six weeks (a chapter a day, reviews of what is due,
// practice hits and misses), then the report's figures set against what
// the record answers (due today, each book's progress, its event count)
// and against what each judgement returned (review or not, its grade).
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <map>
#include <random>

#include "features/record/record_db.h"
#include "features/report/report_figures.h"
#include "tests/report/report_test_support.h"

namespace {

using namespace kestran;
using namespace kestran::report;

constexpr std::int64_t kDayMs = 86400000;
constexpr char kBook[] = "\xE5\x9B\x9B\xE7\xBA\xA7";  // 四级

TEST(ReportFromRecord, FiguresAgreeWithTheRecordsOwnAnswers) {
    reporttest::UseUtcClock();
    reporttest::TempFolder folder;
    record::RecordDb db;
    ASSERT_EQ(db.Open(folder.Record()), record::RecordDb::Opened::Ok);

    constexpr int kFirst = 20740, kDays = 42, kToday = kFirst + kDays;
    std::mt19937 random(11);
    std::map<int, int> reviews, rights;  // by day, from what Add answered
    std::map<int, int> typingAnswers;
    std::vector<std::pair<std::string, std::string>> learned;
    for (int day = kFirst; day < kToday; ++day) {
        std::int64_t at = day * kDayMs + 10 * 3600 * 1000LL;
        auto judge = [&](const std::string& kind, const std::string& word, const std::string& meaning, bool right,
                         bool fromBook) {
            record::Event event;
            event.at = at += 5000;
            event.kind = kind;
            event.list = fromBook ? "/b/\xE5\x9B\x9B\xE7\xBA\xA7-001.txt" : "/x/review.txt";
            if (fromBook) {
                event.book = kBook;
                event.chapter = 1;
            }
            event.word = word;
            event.meaning = meaning;
            event.right = right;
            if (kind != "miss") event.ms = static_cast<std::int64_t>(word.size()) * (150 + random() % 300);
            const auto judged = db.Add(event);
            ASSERT_TRUE(judged);
            if (judged->review && judged->card.firstDay < day) {
                ++reviews[day];
                rights[day] += judged->grade > 1;
            }
            if (right && kind != "miss") ++typingAnswers[WeekStart(day)];
        };
        // Yesterday's and older entries, as a test, when due; then five new.
        for (const auto& [word, meaning] : learned)
            if (db.CardOf(word, meaning) && random() % 3 == 0) judge("test", word, meaning, random() % 5 != 0, false);
        for (int i = 0; i < 5; ++i) {
            const std::string word = "w" + std::to_string(day) + "x" + std::to_string(i);
            const std::string meaning = "\xE8\xAF\x8D" + std::to_string(i);
            judge("test", word, meaning, random() % 4 != 0, true);
            const bool hit = random() % 5 != 0;
            judge(hit ? "hit" : "miss", word, meaning, hit, true);
            learned.emplace_back(word, meaning);
        }
    }
    // A second book, never drilled: all its words are new.
    std::vector<wordbooks::Book> books = {{kBook, kBook, 10, 300}, {"GRE", "GRE", 3, 90}};

    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open_v2(folder.Record().c_str(), &raw, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    std::string error;
    const auto figures = ComputeFigures(raw, {kToday, db.Target(), books}, error);
    sqlite3_close(raw);
    ASSERT_TRUE(figures) << error;

    EXPECT_EQ(figures->totalEvents, db.EventCount());
    EXPECT_EQ(figures->due[0], static_cast<int>(db.CountDue(kToday)));
    EXPECT_GT(figures->due[0], 0);
    const record::BookProgress progress = db.Progress(kBook, kToday);
    EXPECT_EQ(figures->books[0].learning, progress.learning);
    EXPECT_EQ(figures->books[0].known, progress.known);
    EXPECT_EQ(figures->books[0].learning + figures->books[0].known, static_cast<int>(learned.size()));
    EXPECT_EQ(figures->books[1].New(), 90);
    EXPECT_EQ(figures->entries, static_cast<int>(learned.size()));
    int total = 0;
    for (const DayLearning& day : figures->recent) {
        EXPECT_EQ(day.reviews, reviews[day.day]) << day.day;
        EXPECT_EQ(day.newWords, day.day < kToday ? 5 : 0) << day.day;
        total += day.reviews;
    }
    EXPECT_GT(total, 50);
    for (const WeekShare& week : figures->retention) {
        int expectedReviews = 0, expectedRight = 0;
        for (int day = week.firstDay; day < week.firstDay + 7; ++day) {
            expectedReviews += reviews[day];
            expectedRight += rights[day];
        }
        EXPECT_EQ(week.reviews, expectedReviews) << week.firstDay;
        EXPECT_EQ(week.right, expectedRight) << week.firstDay;
    }
    for (const WeekTyping& week : figures->typing) EXPECT_EQ(week.answers, typingAnswers[week.firstDay]) << week.firstDay;
    // The learner studied every day up to yesterday: today does not break it.
    EXPECT_EQ(figures->streak, kDays);
}

}  // namespace

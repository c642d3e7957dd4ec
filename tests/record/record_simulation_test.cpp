// A simulated learner over 90 days on the record's clock, driving the drill
// through its hooks: a new chapter of 20 entries each week for three weeks,
// and every day the entries 今日复习 lists. The learner's true memory is
// FSRS-6 itself: an entry is recalled with the chance the model gives it.
// The record must then review each entry on the first day its
// retrievability falls under 90 %, grade every answer by the stated rule,
// and keep the share of due reviews answered right near what was predicted.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "drill/feature_hooks.h"
#include "features/record/fsrs.h"
#include "features/record/learner_clock.h"
#include "features/record/record_db.h"
#include "features/record/record_feature.h"
#include "platform/user_data.h"
#include "tests/record/record_rows.h"
#include "tests/support/temp_data_folder.h"
#include "tests/record/time_zone_for_test.h"

namespace {

using namespace kestran;
using record::fsrs::Grade;

constexpr std::int64_t kDayMs = 86400000;
constexpr int kDays = 90;
constexpr int kPerLetterMs = 400;  // the learner's usual typing time a letter

struct Answer {
    int entry;
    long long day;
    int review, grade;
};

class RecordSimulationTest : public ::testing::Test {
protected:
    kestran::testing::TempDataFolder temp;
    std::vector<WordRecord> entries = std::vector<WordRecord>(60);
    std::mt19937 random{2028};

    void SetUp() override {
        UseTimeZoneForTest("UTC0");
        for (int i = 0; i < 60; ++i) {
            std::snprintf(entries[i].word, sizeof entries[i].word, "entry%02d", i);
            std::snprintf(entries[i].meaning, sizeof entries[i].meaning, "\xB4\xCA%d", i);  // 词<i>
        }
        record::SetClockOffsetForTest(0);
        record::Install();
        plat::CreateUserDataFolder();
    }
    void TearDown() override {
        record::WaitForRecordWrites();
        record::CloseForTest();
        record::SetClockOffsetForTest(0);
        hooks::ClearAllForTest();
    }
};

TEST_F(RecordSimulationTest, NinetyDaysFollowTheModel) {
    const record::fsrs::Model model;
    // The learner's true memory of each entry: day last judged and stability.
    std::map<std::string, record::fsrs::Memory> memory;
    std::map<std::string, std::int64_t> lastDay;
    int rightAnswers = 0;
    std::vector<Grade> wanted;  // each answer's grade by the stated rule
    double predicted = 0;
    int dueReviews = 0, dueRight = 0;
    // Each day's answers start at 10:00 (UTC, the test's time zone), from today on.
    const std::int64_t now = record::NowMs();
    const std::int64_t dayStart = now / kDayMs * kDayMs + 10 * 3600000 - now;
    std::int64_t today = 0;

    auto judge = [&](const WordRecord& entry, std::int64_t day, std::int64_t& clock) {
        const std::string word = entry.word;
        bool right;
        if (!memory.count(word)) {
            right = std::bernoulli_distribution(0.7)(random);  // a new word: known 70 % of the time
        } else {
            const double r = model.Retrievability(static_cast<double>(day - lastDay[word]), memory[word].stability);
            right = std::bernoulli_distribution(r)(random);
            predicted += r;
            ++dueReviews;
            dueRight += right;
        }
        // The typing time of the n-th right answer and the grade it must get:
        // the usual time is Good, every 7th slow Hard, every 11th fast Easy;
        // all Good for the first ten, before the learner has a median.
        double factor = 1;
        wanted.push_back(Grade::Again);
        if (right) {
            const int n = rightAnswers++;
            factor = n % 7 == 6 ? 2.0 : n % 11 == 10 ? 0.5 : 1.0;
            wanted.back() = n < 10 || factor == 1 ? Grade::Good : factor > 1 ? Grade::Hard : Grade::Easy;
        }
        const auto ms = right ? static_cast<std::int64_t>(factor * kPerLetterMs * word.size()) : 3000;
        record::SetClockOffsetForTest(clock);  // through the drill's hooks, `ms` after the meaning showed
        hooks::testEntryShown(entry);
        record::SetClockOffsetForTest(clock + ms);
        hooks::testAnswerJudged(entry, right);
        record::WaitForRecordWrites();
        clock += ms + 1000;
        const Grade grade = right ? Grade::Good : Grade::Again;  // the learner's true memory ignores speed
        memory[word] = memory.count(word) ? model.Next(memory[word], static_cast<int>(day - lastDay[word]), grade)
                                          : model.First(grade);
        lastDay[word] = day;
    };

    for (int d = 0; d < kDays; ++d) {
        std::int64_t clock = dayStart + d * kDayMs;
        record::SetClockOffsetForTest(clock);
        today = record::LearnerDay(record::NowMs());
        record::RecordDb view;
        ASSERT_NE(view.Open(record::RecordPath()), record::RecordDb::Opened::Failed);
        for (const record::DueEntry& entry : view.Due(today, 100)) judge(entries[std::stoi(entry.word.substr(5))], today, clock);
        if (d % 7 == 0 && d / 7 < 3)  // a new chapter's test
            for (int i = 0; i < 20; ++i) judge(entries[d / 7 * 20 + i], today, clock);
    }

    std::vector<struct Answer> answers;
    for (const std::string& row : RecordRows("SELECT word, day, review, grade FROM events ORDER BY id")) {
        struct Answer& a = answers.emplace_back();
        ASSERT_EQ(std::sscanf(row.c_str(), "entry%d|%lld|%d|%d", &a.entry, &a.day, &a.review, &a.grade), 4) << row;
    }
    // Each entry's answers, replayed through the model: every review comes
    // on the first day the entry's retrievability is under 90 %.
    std::map<int, std::vector<struct Answer>> byEntry;
    for (const auto& a : answers) byEntry[a.entry].push_back(a);
    ASSERT_EQ(byEntry.size(), 60u);
    int intervals = 0;
    for (const auto& [index, list] : byEntry) {
        record::fsrs::Memory m;
        for (std::size_t i = 0; i < list.size(); ++i) {
            const Grade grade = static_cast<Grade>(list[i].grade);
            EXPECT_EQ(list[i].review, 1) << "entry" << index << ": one judgement a day, each a review";
            if (i == 0) {
                m = model.First(grade);
                continue;
            }
            const std::int64_t elapsed = list[i].day - list[i - 1].day;
            EXPECT_LT(model.Retrievability(static_cast<double>(elapsed), m.stability), 0.9) << "entry" << index << " #" << i;
            EXPECT_GE(model.Retrievability(static_cast<double>(elapsed - 1), m.stability), 0.9)
                << "entry" << index << " #" << i << ": reviewed a day late";
            m = model.Next(m, static_cast<int>(elapsed), grade);
            ++intervals;
        }
        // An entry not reviewed at the end of the run is not overdue.
        EXPECT_GE(model.Retrievability(static_cast<double>(today - list.back().day), m.stability), 0.9)
            << "entry" << index;
    }
    ASSERT_EQ(answers.size(), wanted.size());
    for (std::size_t n = 0; n < answers.size(); ++n) EXPECT_EQ(answers[n].grade, wanted[n]) << answers[n].entry << " " << n;
    const double retention = static_cast<double>(dueRight) / dueReviews;
    const double expected = predicted / dueReviews;
    std::printf("simulation: %zu answers, %d intervals, %d due reviews, retention %.3f (model %.3f)\n", answers.size(),
                intervals, dueReviews, retention, expected);
    EXPECT_GT(intervals, 300);
    EXPECT_NEAR(retention, expected, 0.05) << "the share of due reviews answered right";
    EXPECT_LT(expected, 0.9);
    EXPECT_GT(expected, 0.75);
}

}  // namespace

// The record file: the same-day rule and the memory each judgement moves,
// separate typing medians kept across a reopening, the due list's order and
// cap, damage found under an open record, and the CSV export. Due days, the
// grading rule and two writers are shown by the simulation and record_kill.py.
#include "features/record/record_db.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <tuple>

#include "tests/record/time_zone_for_test.h"

namespace kestran::record {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kFirstDay = 20454;
const std::string kMeaning = "n. \xE8\x8B\xB9\xE6\x9E\x9C";  // 苹果

fs::path Native(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

// A judgement at noon UTC of a day counted from kFirstDay (the tests run in UTC).
Event Judgement(const char* kind, const std::string& word, bool right, int day, std::int64_t ms = 1000,
                int minutes = 0) {
    Event event;
    event.at = (kFirstDay + day) * 86400000LL + 43200000 + minutes * 60000LL;
    event.kind = kind;
    event.list = "/lists/\xE5\x9B\x9B\xE7\xBA\xA7/\xE5\x9B\x9B\xE7\xBA\xA7-001.txt";  // 四级/四级-001.txt
    event.book = "\xE5\x9B\x9B\xE7\xBA\xA7";
    event.chapter = 1;
    event.word = word;
    event.meaning = kMeaning;
    event.right = right;
    if (right || std::string(kind) == "test") event.ms = ms;
    return event;
}

class RecordDbTest : public testing::Test {
protected:
    void SetUp() override {
        UseTimeZoneForTest("UTC0");
        // A folder name outside ASCII: the path goes to SQLite as UTF-8.
        folder = fs::temp_directory_path() / ("kestran-record-" + std::to_string(std::random_device()()));
        fs::create_directories(folder / fs::path(u8"\uD559\uC2B5 \u8BB0\u5F55"));
        const std::u8string u8 = (folder / fs::path(u8"\uD559\uC2B5 \u8BB0\u5F55") / "record.db").u8string();
        path = std::string(u8.begin(), u8.end());
        ASSERT_EQ(db.Open(path), RecordDb::Opened::Ok);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    fs::path folder;
    std::string path;
    RecordDb db;
};

// The day's first judgement is a review with a grade; later ones the same
// day follow the same-day rule; the card follows the model step by step.
TEST_F(RecordDbTest, JudgementsMoveTheEntrysMemory) {
    const fsrs::Model model;
    struct Step {
        int day, minutes;
        bool right, review;
        fsrs::Grade grade;
        int elapsed;
    };
    const Step steps[] = {
        {0, 0, false, true, fsrs::Again, -1},  // first seen: wrong
        {0, 5, true, false, fsrs::Good, 0},    // again the same day
        {1, 0, true, true, fsrs::Good, 1},
        {1, 1, false, false, fsrs::Again, 0},
        {4, 0, true, true, fsrs::Good, 3},
    };
    fsrs::Memory expected;
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << "day " << step.day << " +" << step.minutes);
        const auto judged = db.Add(Judgement("test", "apple", step.right, step.day, 5000, step.minutes));
        ASSERT_TRUE(judged);
        EXPECT_EQ(judged->review, step.review);
        EXPECT_EQ(judged->grade, step.grade);
        expected = step.elapsed < 0 ? model.First(step.grade) : model.Next(expected, step.elapsed, step.grade);
        const auto card = db.CardOf("apple", kMeaning);
        ASSERT_TRUE(card);
        EXPECT_DOUBLE_EQ(card->memory.stability, expected.stability);
        EXPECT_DOUBLE_EQ(card->memory.difficulty, expected.difficulty);
        EXPECT_EQ(card->lastDay, kFirstDay + step.day);
        EXPECT_EQ(card->firstDay, kFirstDay);
    }
    EXPECT_EQ(db.CardOf("apple", kMeaning)->reps, 5);
}

// Hits and test answers keep separate medians, also across a reopening.
TEST_F(RecordDbTest, TypingTimeGradesAgainstTheLearnersMedianOfItsKind) {
    for (int i = 0; i < 12; ++i) db.Add(Judgement("test", "w" + std::to_string(i) + "xxx", true, 0, 500));  // 100 ms a letter
    for (int i = 0; i < 12; ++i) db.Add(Judgement("hit", "h" + std::to_string(i) + "xxx", true, 0, 2500));  // 500 ms a letter
    RecordDb reopened;
    ASSERT_EQ(reopened.Open(path), RecordDb::Opened::Ok);
    struct Case {
        const char* kind;
        std::int64_t ms;  // for a 5-letter word
        fsrs::Grade grade;
    };
    int n = 0;
    for (const Case& c : {Case{"test", 800, fsrs::Hard}, Case{"test", 350, fsrs::Easy}, Case{"hit", 2500, fsrs::Good},
                          Case{"hit", 1000, fsrs::Easy}, Case{"hit", 5000, fsrs::Hard}}) {
        const auto judged = reopened.Add(Judgement(c.kind, "new" + std::to_string(n++) + "z", true, 2, c.ms));
        ASSERT_TRUE(judged);
        EXPECT_EQ(judged->grade, c.grade) << c.kind << " " << c.ms;
    }
}

// Least retrievable first, at most the cap; the book's counts.
TEST_F(RecordDbTest, DueListIsMostOverdueFirstAndCapped) {
    // a: wrong on day 0 (S 0.212); b: right on day 0 (S 2.3065); d: right on
    // days 0 and 1 (S 7.3153): on day 9 all due, a least retrievable.
    db.Add(Judgement("test", "dddd", true, 0));
    db.Add(Judgement("test", "bbbb", true, 0));
    db.Add(Judgement("test", "aaaa", false, 0));
    db.Add(Judgement("test", "dddd", true, 1));
    EXPECT_EQ(db.CountDue(kFirstDay + 2), 1u);
    EXPECT_EQ(db.CountDue(kFirstDay + 9), 3u);
    const auto due = db.Due(kFirstDay + 9, 2);
    ASSERT_EQ(due.size(), 2u);
    EXPECT_EQ(due[0].word + due[1].word, "aaaabbbb");
    EXPECT_LT(due[0].retrievability, due[1].retrievability);
    // As the 词库 chooser counts the book: three learning, all due.
    const BookProgress progress = db.Progress("\xE5\x9B\x9B\xE7\xBA\xA7", kFirstDay + 9);
    EXPECT_EQ(std::make_tuple(progress.learning, progress.known, progress.due), std::make_tuple(3, 0, 3));
}

// A file damaged under an open record (its pages overwritten): the next
// change finds it, moves it aside and goes on in a new one.
TEST_F(RecordDbTest, DamageFoundLaterRenewsTheRecord) {
    for (int i = 0; i < 200; ++i) db.Add(Judgement("test", "word" + std::to_string(i), true, 0));
    sqlite3* raw = nullptr;
    sqlite3_open(path.c_str(), &raw);
    sqlite3_exec(raw, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    sqlite3_close(raw);
    {
        std::fstream file(Native(path), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(4096);
        const std::string noise(40960, '\x5A');
        file.write(noise.data(), static_cast<std::streamsize>(noise.size()));
    }
    std::optional<Judged> judged;
    for (int i = 0; i < 5 && !judged; ++i) judged = db.Add(Judgement("test", "after" + std::to_string(i), true, 1));
    ASSERT_TRUE(judged);
    EXPECT_TRUE(db.TakeRenewed());
    EXPECT_TRUE(fs::exists(Native(db.SetAside()))) << db.SetAside();
}

TEST_F(RecordDbTest, ExportsEveryEventAsCsv) {
    Event odd = Judgement("test", "quote", true, 0);
    odd.meaning = "a \"b\", c";
    odd.book.reset();
    odd.chapter.reset();
    db.Add(odd);
    db.Add(Judgement("miss", "apple", false, 1));
    // A record kept before the due column: opened again, it gains it, its
    // earlier rows unknown (empty).
    db.Close();
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "ALTER TABLE events DROP COLUMN due; PRAGMA user_version=1", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);
    ASSERT_EQ(db.Open(path), RecordDb::Opened::Ok);
    db.Add(Judgement("test", "apple", true, 3));  // a day's first judgement of a known entry
    std::ostringstream out;
    ASSERT_TRUE(db.ExportCsv(out));
    std::istringstream in(out.str());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "\xEF\xBB\xBFid,at,time,day,kind,list,book,chapter,word,meaning,right,ms,letters,review,grade,due\r");
    // Quotes doubled; no book nor chapter, empty fields; a miss has no time.
    EXPECT_NE(lines[1].find(",test,/lists/"), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find(",,,quote,\"a \"\"b\"\", c\",1,1000,5,1,3,\r"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find(",miss,"), std::string::npos) << lines[2];
    EXPECT_NE(lines[2].find(",1,apple,n. \xE8\x8B\xB9\xE6\x9E\x9C,0,,5,1,1,\r"), std::string::npos) << lines[2];
    // Two days after a miss the entry is long due.
    EXPECT_NE(lines[3].find(",1,1000,5,1,3,1\r"), std::string::npos) << lines[3];
}

}  // namespace
}  // namespace kestran::record

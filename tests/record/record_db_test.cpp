// The record file: what each judgement writes, the memory it moves, the
// due list, a damaged file, two connections, and the CSV export.
#include "features/record/record_db.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace kestran::record {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kDayMs = 86400000;
constexpr std::int64_t kFirstDay = 20454;
// Noon UTC of a day counted from kFirstDay (the tests run in UTC).
std::int64_t At(int day, int minutes = 0) { return (kFirstDay + day) * kDayMs + kDayMs / 2 + minutes * 60000LL; }

Event Judgement(const char* kind, const std::string& word, bool right, int day, std::optional<std::int64_t> ms = 1000,
                int minutes = 0) {
    Event event;
    event.at = At(day, minutes);
    event.kind = kind;
    event.list = "/lists/\xE5\x9B\x9B\xE7\xBA\xA7/\xE5\x9B\x9B\xE7\xBA\xA7-001.txt";  // 四级/四级-001.txt
    event.book = "\xE5\x9B\x9B\xE7\xBA\xA7";
    event.chapter = 1;
    event.word = word;
    event.meaning = "n. \xE8\x8B\xB9\xE6\x9E\x9C";  // 苹果
    event.right = right;
    event.ms = right || std::string(kind) == "test" ? ms : std::nullopt;
    return event;
}

class RecordDbTest : public testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        _putenv_s("TZ", "UTC0");
        _tzset();
#else
        ::setenv("TZ", "UTC0", 1);
        ::tzset();
#endif
        // A folder name outside ASCII: the path goes to SQLite as UTF-8.
        folder = fs::temp_directory_path() / ("kestran-record-" + std::to_string(std::random_device()()));
        folder /= fs::path(u8"\uD559\uC2B5 \u8BB0\u5F55");
        fs::create_directories(folder);
        path = (folder / "record.db").u8string();
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder.parent_path(), ignored);
    }
    std::string Path() const { return std::string(path.begin(), path.end()); }
    // One column of every event, in order, as text.
    std::vector<std::string> Column(RecordDb& db, const char* column) {
        (void)db;
        sqlite3* raw = nullptr;
        sqlite3_open(Path().c_str(), &raw);
        std::vector<std::string> values;
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(raw, (std::string("SELECT ") + column + " FROM events ORDER BY id").c_str(), -1, &stmt,
                           nullptr);
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            const auto* text = sqlite3_column_text(stmt, 0);
            values.push_back(text ? reinterpret_cast<const char*>(text) : "NULL");
        }
        sqlite3_finalize(stmt);
        sqlite3_close(raw);
        return values;
    }

    fs::path folder;
    std::u8string path;
};

// The day's first judgement is a review with a grade; later ones the same
// day follow the same-day rule; the card follows the model step by step.
TEST_F(RecordDbTest, JudgementsMoveTheEntrysMemory) {
    RecordDb db;
    ASSERT_EQ(db.Open(Path()), RecordDb::Opened::Ok);
    const fsrs::Model model;
    struct Step {
        int day, minutes;
        bool right;
        bool review;
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
        const auto card = db.CardOf("apple", "n. \xE8\x8B\xB9\xE6\x9E\x9C");
        ASSERT_TRUE(card);
        EXPECT_DOUBLE_EQ(card->memory.stability, expected.stability);
        EXPECT_DOUBLE_EQ(card->memory.difficulty, expected.difficulty);
        EXPECT_EQ(card->lastDay, kFirstDay + step.day);
        EXPECT_EQ(card->firstDay, kFirstDay);
    }
    EXPECT_EQ(Column(db, "review"), (std::vector<std::string>{"1", "0", "1", "0", "1"}));
    EXPECT_EQ(Column(db, "grade"), (std::vector<std::string>{"1", "NULL", "3", "NULL", "3"}));
    EXPECT_EQ(Column(db, "day"), (std::vector<std::string>{"20454", "20454", "20455", "20455", "20458"}));
    EXPECT_EQ(Column(db, "letters"), (std::vector<std::string>(5, "5")));
    const auto card = db.CardOf("apple", "n. \xE8\x8B\xB9\xE6\x9E\x9C");
    EXPECT_EQ(card->reps, 5);
    EXPECT_EQ(card->state, 2);
}

// Typing time grades a right answer once the learner's median is known;
// hits and test answers keep separate medians, also across a reopening.
TEST_F(RecordDbTest, TypingTimeGradesAgainstTheLearnersMedian) {
    {
        RecordDb db;
        ASSERT_EQ(db.Open(Path()), RecordDb::Opened::Ok);
        for (int i = 0; i < 12; ++i) db.Add(Judgement("test", "w" + std::to_string(i) + "xxx", true, 0, 500));  // 100 ms a letter
        for (int i = 0; i < 12; ++i) db.Add(Judgement("hit", "h" + std::to_string(i) + "xxx", true, 0, 2500));  // 500 ms a letter
    }
    RecordDb db;
    ASSERT_EQ(db.Open(Path()), RecordDb::Opened::Ok);
    struct Case {
        const char* kind;
        std::int64_t ms;  // for a 5-letter word
        fsrs::Grade grade;
    };
    const Case cases[] = {{"test", 800, fsrs::Hard}, {"test", 350, fsrs::Easy}, {"test", 2500, fsrs::Hard},
                          {"hit", 2500, fsrs::Good}, {"hit", 1000, fsrs::Easy}, {"hit", 5000, fsrs::Hard}};
    int n = 0;
    for (const Case& c : cases) {
        const auto judged = db.Add(Judgement(c.kind, "new" + std::to_string(n++) + "z", true, 2, c.ms));
        ASSERT_TRUE(judged);
        EXPECT_EQ(judged->grade, c.grade) << c.kind << " " << c.ms;
    }
    // A miss is Again and stores no time.
    const auto miss = db.Add(Judgement("miss", "gone1", false, 2));
    ASSERT_TRUE(miss);
    EXPECT_EQ(miss->grade, fsrs::Again);
    EXPECT_EQ(Column(db, "ms").back(), "NULL");
}

// Due: retrievability today under the target; least retrievable first; capped.
TEST_F(RecordDbTest, DueListIsTheEntriesUnderTheTargetMostOverdueFirst) {
    RecordDb db;
    ASSERT_EQ(db.Open(Path()), RecordDb::Opened::Ok);
    // Without a median yet every right answer is Good. a: wrong on day 0
    // (S 0.212); b: right on day 0 (S 2.3065); d: right on days 0 and 1
    // (S 7.3153 from day 1).
    db.Add(Judgement("test", "aaaa", false, 0));
    db.Add(Judgement("test", "bbbb", true, 0));
    db.Add(Judgement("test", "dddd", true, 0));
    db.Add(Judgement("test", "dddd", true, 1));
    struct Expect {
        int today;
        std::vector<std::string> due;
    };
    const Expect expects[] = {
        {0, {}},  // nothing is due the day it was drilled
        {1, {"aaaa"}},
        {2, {"aaaa"}},  // b: 2 days < S 2.3065
        {3, {"aaaa", "bbbb"}},
        {8, {"aaaa", "bbbb"}},  // d: 7 days < S 7.3153
        {9, {"aaaa", "bbbb", "dddd"}},
    };
    for (const Expect& e : expects) {
        std::vector<std::string> words;
        double last = -1;
        for (const DueEntry& entry : db.Due(kFirstDay + e.today, 100)) {
            words.push_back(entry.word);
            EXPECT_GE(entry.retrievability, last) << "least retrievable first";
            EXPECT_LT(entry.retrievability, 0.9);
            last = entry.retrievability;
        }
        std::vector<std::string> sorted = words;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, e.due) << "day " << e.today;
        EXPECT_EQ(db.CountDue(kFirstDay + e.today), e.due.size());
    }
    ASSERT_EQ(db.Due(kFirstDay + 9, 2).size(), 2u);
    EXPECT_EQ(db.Due(kFirstDay + 9, 2)[0].word, "aaaa");
    // Answering a due entry takes it off the list for the day.
    db.Add(Judgement("test", "aaaa", true, 9));
    EXPECT_EQ(db.CountDue(kFirstDay + 9), 2u);
    const BookProgress progress = db.Progress("\xE5\x9B\x9B\xE7\xBA\xA7", kFirstDay + 9);
    EXPECT_EQ(progress.learning, 3);
    EXPECT_EQ(progress.known, 0);
    EXPECT_EQ(progress.due, 2);
}

// A file that is not a database is kept aside as it was, and a new record
// starts; the learner can be told where the old one went.
TEST_F(RecordDbTest, DamagedFileIsKeptAsideAndANewRecordStarts) {
    const std::string garbage(20000, 'x');
    std::ofstream(fs::path(path), std::ios::binary) << garbage;
    RecordDb db;
    ASSERT_EQ(db.Open(Path()), RecordDb::Opened::Renewed);
    ASSERT_TRUE(db.Add(Judgement("test", "apple", true, 0)));
    EXPECT_EQ(db.EventCount(), 1);
    const fs::path aside(std::u8string(db.SetAside().begin(), db.SetAside().end()));
    ASSERT_TRUE(fs::exists(aside)) << db.SetAside();
    std::ifstream kept(aside, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), garbage);
}

// A file damaged under an open record (its pages overwritten): the next
// change finds it, moves it aside and goes on in a new one.
TEST_F(RecordDbTest, DamageFoundLaterRenewsTheRecord) {
    RecordDb db;
    ASSERT_EQ(db.Open(Path()), RecordDb::Opened::Ok);
    for (int i = 0; i < 200; ++i) db.Add(Judgement("test", "word" + std::to_string(i), true, 0));
    {
        RecordDb other;  // checkpoints the log into the file, then closes
        ASSERT_EQ(other.Open(Path()), RecordDb::Opened::Ok);
    }
    sqlite3* raw = nullptr;
    sqlite3_open(Path().c_str(), &raw);
    sqlite3_exec(raw, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    sqlite3_close(raw);
    {
        std::fstream file(fs::path(path), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(4096);
        const std::string noise(40960, '\x5A');
        file.write(noise.data(), static_cast<std::streamsize>(noise.size()));
    }
    std::optional<Judged> judged;
    for (int i = 0; i < 5 && !judged; ++i) judged = db.Add(Judgement("test", "after" + std::to_string(i), true, 1));
    ASSERT_TRUE(judged);
    EXPECT_TRUE(db.TakeRenewed());
    EXPECT_FALSE(db.SetAside().empty());
}

// Two connections (as two windows have) interleave without losing one.
TEST_F(RecordDbTest, TwoConnectionsShareTheFile) {
    RecordDb first, second;
    ASSERT_EQ(first.Open(Path()), RecordDb::Opened::Ok);
    ASSERT_EQ(second.Open(Path()), RecordDb::Opened::Ok);
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(first.Add(Judgement("test", "one" + std::to_string(i), i % 3 != 0, 0)));
        ASSERT_TRUE(second.Add(Judgement("hit", "two" + std::to_string(i), true, 0)));
        ASSERT_TRUE(second.Add(Judgement("test", "one" + std::to_string(i), true, 0)));
    }
    EXPECT_EQ(first.EventCount(), 150);
    // The shared entry's card saw both windows' judgements.
    EXPECT_EQ(first.CardOf("one7", "n. \xE8\x8B\xB9\xE6\x9E\x9C")->reps, 2);
}

TEST_F(RecordDbTest, ExportsEveryEventAsCsv) {
    RecordDb db;
    ASSERT_EQ(db.Open(Path()), RecordDb::Opened::Ok);
    Event odd = Judgement("test", "quote", true, 0);
    odd.meaning = "a \"b\", c";
    odd.book.reset();
    odd.chapter.reset();
    db.Add(odd);
    db.Add(Judgement("miss", "apple", false, 1));
    std::ostringstream out;
    ASSERT_TRUE(db.ExportCsv(out));
    std::istringstream lines(out.str());
    std::string header, first, second, extra;
    std::getline(lines, header);
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_FALSE(std::getline(lines, extra));
    EXPECT_EQ(header, "\xEF\xBB\xBFid,at,time,day,kind,list,book,chapter,word,meaning,right,ms,letters,review,grade\r");
    EXPECT_NE(first.find(",test,/lists/"), std::string::npos) << first;
    EXPECT_NE(first.find(",,,quote,\"a \"\"b\"\", c\",1,1000,5,1,3\r"), std::string::npos) << first;
    EXPECT_NE(second.find(",miss,"), std::string::npos) << second;
    EXPECT_NE(second.find(",1,apple,n. \xE8\x8B\xB9\xE6\x9E\x9C,0,,5,1,1\r"), std::string::npos) << second;
}

}  // namespace
}  // namespace kestran::record

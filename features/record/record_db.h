// The study record file: an SQLite database (write-ahead log) holding every
// judgement, every finished test and each entry's memory (see
// record_schema.h). One RecordDb is one connection, used by one thread;
// several connections, in one process or several, share the file: each
// change is one transaction, and a writer that finds the file busy waits
// for it (up to kBusyWaitMs) instead of failing.
//
// A file that is not a database or is damaged is moved aside whole (with
// its log) and a new record begins; Open and each change say so, so the
// learner can be told.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "features/record/fsrs.h"
#include "features/record/grading.h"

struct sqlite3;

namespace kestran::record {

inline constexpr int kBusyWaitMs = 10000;
// Opening tries again this often (20 ms apart) while another window holds the file.
inline constexpr int kOpenAttempts = 50;

// One judgement as the drill saw it. Texts are UTF-8.
struct Event {
    std::int64_t at = 0;  // Unix ms
    std::string kind;     // "test", "hit" or "miss"
    std::string list;
    std::optional<std::string> book;
    std::optional<int> chapter;
    std::string word, meaning;
    bool right = false;
    std::optional<std::int64_t> ms;  // typing time; none for a miss
};

struct TestResult {
    std::int64_t at = 0;
    std::string list;
    std::optional<std::string> book;
    std::optional<int> chapter;
    int score = 0, right = 0, wrong = 0;
};

struct Card {
    std::string word, meaning;
    int state = 0;
    fsrs::Memory memory;
    std::int64_t lastAt = 0, lastDay = 0, firstDay = 0;
    int reps = 0, lapses = 0;
};

struct DueEntry {
    std::string word, meaning;
    double retrievability = 0;
};

// Counts of a word book's entries by what the learner knows of them.
struct BookProgress {
    int learning = 0, due = 0, known = 0;  // "new" = the book's size minus learning and known
};

// What a judgement did: whether it was the day's first, its grade then,
// and the entry's memory after it.
struct Judged {
    bool review = false;
    fsrs::Grade grade = fsrs::Good;
    Card card;
    bool wasDue = false;  // due before this judgement
};

class RecordDb {
public:
    enum class Opened { Ok, Renewed, Failed };  // Renewed: a damaged file was moved aside

    RecordDb() = default;
    ~RecordDb();
    RecordDb(const RecordDb&) = delete;
    RecordDb& operator=(const RecordDb&) = delete;

    // `utf8Path` is the file's path in UTF-8 on every system.
    Opened Open(const std::string& utf8Path, double target = 0.9);
    bool IsOpen() const { return db_ != nullptr; }
    void Close();
    // Where the last damaged file went (UTF-8), after Renewed.
    const std::string& SetAside() const { return setAside_; }
    // True once a change found the file damaged and started a new one.
    bool TakeRenewed();

    // Records the judgement and moves the entry's memory, in one transaction.
    std::optional<Judged> Add(const Event& event);
    bool AddTest(const TestResult& test);

    std::optional<Card> CardOf(const std::string& word, const std::string& meaning);
    // Entries under the target on `today`, least retrievable first, at most `cap`.
    std::vector<DueEntry> Due(std::int64_t today, std::size_t cap);
    std::size_t CountDue(std::int64_t today);
    BookProgress Progress(const std::string& book, std::int64_t today);
    // The same for every book drilled from, by folder name.
    std::map<std::string, BookProgress> ProgressOfBooks(std::int64_t today);
    std::int64_t EventCount();
    // How many entries had their review of `day` in a drill of the list `list`.
    std::size_t ReviewsFrom(const std::string& list, std::int64_t day);

    // Every event as CSV (UTF-8, a header line first).
    bool ExportCsv(std::ostream& out);
    static void WriteCsvHeader(std::ostream& out);

    double Target() const { return target_; }
    const fsrs::Model& Model() const { return model_; }

private:
    bool Prepare();
    bool RenewIfDamaged(int code);
    std::optional<Judged> AddOnce(const Event& event, bool& damaged);
    std::optional<Card> LookUp(const std::string& word, const std::string& meaning, int& code);
    void LoadMedians();

    sqlite3* db_ = nullptr;
    std::string path_, setAside_;
    bool renewed_ = false;
    double target_ = 0.9;
    fsrs::Model model_;
    TypingMedian testTimes_, hitTimes_;
};

}  // namespace kestran::record

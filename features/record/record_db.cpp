#include "features/record/record_db.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <thread>

#include "features/record/learner_clock.h"
#include "features/record/record_schema.h"
#include "features/record/sqlite_statement.h"

namespace kestran::record {
namespace {

namespace fs = std::filesystem;

fs::path PathOf(const std::string& utf8) {
    return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

bool IsDamage(int code) {
    const int primary = code & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

int Exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

Card CardFrom(const Statement& row) {
    Card card;
    card.word = row.Text(0);
    card.meaning = row.Text(1);
    card.state = static_cast<int>(row.Int(2));
    card.memory = {row.Real(3), row.Real(4)};
    card.lastAt = row.Int(5);
    card.firstDay = row.Int(6);
    card.reps = static_cast<int>(row.Int(7));
    card.lapses = static_cast<int>(row.Int(8));
    card.lastDay = row.Int(9);
    return card;
}
constexpr char kCardColumns[] = "word, meaning, state, stability, difficulty, last_at, first_day, reps, lapses, last_day";

// The memory's state after a judgement: a first judgement that fails is
// still being learnt; a failed review relearns; any pass makes it a review.
int NextState(const std::optional<Card>& before, fsrs::Grade grade) {
    if (grade != fsrs::Again) return 2;
    if (!before || before->state == 1) return 1;
    return 3;
}

void WriteCsvField(std::ostream& out, const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        out << text;
        return;
    }
    out << '"';
    for (char c : text) {
        if (c == '"') out << '"';
        out << c;
    }
    out << '"';
}

// A record kept before events.due gets the column, its old rows unknown.
bool KeepsDue(sqlite3* db) {
    return Statement(db, "SELECT due FROM events LIMIT 0").Ok() ||
           Exec(db, "ALTER TABLE events ADD COLUMN due INTEGER") == SQLITE_OK;
}

}  // namespace

RecordDb::~RecordDb() { Close(); }

void RecordDb::Close() {
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

RecordDb::Opened RecordDb::Open(const std::string& utf8Path, double target) {
    path_ = utf8Path;
    target_ = target;
    // Another window opening the same file at the same moment may hold it
    // while it turns the log on, which SQLite answers with busy at once,
    // not after the busy wait: try again for a while before giving up.
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        if (Prepare()) return Opened::Ok;
        if (!db_ || (sqlite3_errcode(db_) & 0xFF) != SQLITE_BUSY) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!db_) return Opened::Failed;
    const int code = sqlite3_errcode(db_);
    if (!IsDamage(code)) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
        return Opened::Failed;
    }
    return RenewIfDamaged(code) ? Opened::Renewed : Opened::Failed;
}

// Opens the connection and makes sure the tables are there.
bool RecordDb::Prepare() {
    sqlite3_close_v2(db_);
    db_ = nullptr;
    if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK)
        return false;
    sqlite3_busy_timeout(db_, kBusyWaitMs);
    // With the log, a reader never waits for the writer; FULL syncs the log
    // at each commit, so not even a power cut takes a judgement once written
    // (a few milliseconds on the record's own thread, never the drill's).
    if (Exec(db_, "PRAGMA journal_mode=WAL") != SQLITE_OK) return false;
    if (Exec(db_, "PRAGMA synchronous=FULL") != SQLITE_OK) return false;
    if (Exec(db_, "BEGIN IMMEDIATE") != SQLITE_OK) return false;
    if (Exec(db_, kSchemaSql) != SQLITE_OK || !KeepsDue(db_) ||
        Exec(db_, ("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str()) != SQLITE_OK) {
        Exec(db_, "ROLLBACK");
        return false;
    }
    if (Exec(db_, "COMMIT") != SQLITE_OK) return false;
    LoadMedians();
    return true;
}

bool RecordDb::RenewIfDamaged(int code) {
    if (!IsDamage(code)) return false;
    sqlite3_close_v2(db_);
    db_ = nullptr;
    const fs::path path = PathOf(path_);
    // "<name>-损坏-<ms>.db": the damaged file and its log, kept as they were.
    const std::string stamp = std::to_string(NowMs());
    std::u8string name = path.stem().u8string();
    name += u8"-\u635F\u574F-";  // -损坏-
    for (char c : std::to_string(NowMs())) name += static_cast<char8_t>(c);
    name += u8".db";
    const fs::path aside = path.parent_path() / name;
    std::error_code error;
    fs::rename(path, aside, error);
    if (error) return false;
    for (const char* suffix : {"-wal", "-shm"}) {
        fs::path log = path;
        log += suffix;
        fs::path logAside = aside;
        logAside += suffix;
        std::error_code ignored;
        if (fs::exists(log, ignored)) fs::rename(log, logAside, ignored);
    }
    const auto u8 = aside.u8string();
    setAside_.assign(reinterpret_cast<const char*>(u8.data()), u8.size());
    renewed_ = true;
    return Prepare();
}

bool RecordDb::TakeRenewed() {
    const bool renewed = renewed_;
    renewed_ = false;
    return renewed;
}

void RecordDb::LoadMedians() {
    testTimes_ = {};
    hitTimes_ = {};
    for (const char* kind : {"test", "hit"}) {
        Statement rows(db_,
                       "SELECT ms * 1.0 / letters FROM (SELECT id, ms, letters FROM events WHERE right = 1 AND ms IS NOT "
                       "NULL AND letters > 0 AND kind = ?1 ORDER BY id DESC LIMIT ?2) ORDER BY id");
        rows.Bind(1, std::string(kind)).Bind(2, static_cast<std::int64_t>(TypingMedian::kWindow));
        TypingMedian& times = std::string(kind) == "test" ? testTimes_ : hitTimes_;
        while (rows.Step() == SQLITE_ROW) times.Add(rows.Real(0));
    }
}

std::optional<Card> RecordDb::LookUp(const std::string& word, const std::string& meaning, int& code) {
    Statement row(db_, (std::string("SELECT ") + kCardColumns + " FROM cards WHERE word = ?1 AND meaning = ?2").c_str());
    row.Bind(1, word).Bind(2, meaning);
    code = row.Step();
    if (code != SQLITE_ROW) return std::nullopt;
    return CardFrom(row);
}

std::optional<Card> RecordDb::CardOf(const std::string& word, const std::string& meaning) {
    if (!db_) return std::nullopt;
    int code = SQLITE_OK;
    return LookUp(word, meaning, code);
}

std::optional<Judged> RecordDb::Add(const Event& event) {
    for (int attempt = 0; attempt < 3 && db_; ++attempt) {
        bool damaged = false;
        if (auto judged = AddOnce(event, damaged)) return judged;
        if (!damaged) {
            // Busy past the wait (another window holds the file): try again.
            if ((sqlite3_errcode(db_) & 0xFF) == SQLITE_BUSY) continue;
            return std::nullopt;
        }
        if (!RenewIfDamaged(SQLITE_CORRUPT)) return std::nullopt;
    }
    return std::nullopt;
}

std::optional<Judged> RecordDb::AddOnce(const Event& event, bool& damaged) {
    auto fail = [&](int code) -> std::optional<Judged> {
        damaged = IsDamage(code) || IsDamage(sqlite3_errcode(db_));
        Exec(db_, "ROLLBACK");
        return std::nullopt;
    };
    const int begun = Exec(db_, "BEGIN IMMEDIATE");
    if (begun != SQLITE_OK) return fail(begun);

    const std::int64_t day = LearnerDay(event.at);
    const int letters = static_cast<int>(std::count_if(event.word.begin(), event.word.end(),
                                                       [](char c) { return c != ' ' && c != '\t'; }));
    TypingMedian& times = event.kind == "test" ? testTimes_ : hitTimes_;
    std::optional<double> perLetter;
    if (event.ms && letters > 0) perLetter = static_cast<double>(*event.ms) / letters;

    Judged judged;
    judged.grade = GradeOf(event.right, perLetter, times.Median());
    int lookedUp = SQLITE_OK;
    const std::optional<Card> before = LookUp(event.word, event.meaning, lookedUp);
    if (lookedUp != SQLITE_ROW && lookedUp != SQLITE_DONE) return fail(lookedUp);
    Card card;
    if (!before) {
        judged.review = true;
        card.word = event.word;
        card.meaning = event.meaning;
        card.memory = model_.First(judged.grade);
        card.firstDay = day;
    } else {
        card = *before;
        // A clock set back counts as the same day.
        const int elapsed = static_cast<int>(std::max<std::int64_t>(day - before->lastDay, 0));
        judged.review = elapsed > 0;
        judged.wasDue = model_.Retrievability(elapsed, before->memory.stability) < target_;
        card.memory = model_.Next(before->memory, elapsed, judged.grade);
        if (judged.review && judged.grade == fsrs::Again && before->state == 2) ++card.lapses;
    }
    card.state = NextState(before, judged.grade);
    card.lastAt = event.at;
    card.lastDay = day;
    ++card.reps;
    judged.card = card;

    Statement upsert(db_, (std::string("INSERT OR REPLACE INTO cards(") + kCardColumns +
                           ") VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)")
                              .c_str());
    upsert.Bind(1, card.word).Bind(2, card.meaning).Bind(3, card.state).Bind(4, card.memory.stability);
    upsert.Bind(5, card.memory.difficulty).Bind(6, card.lastAt).Bind(7, card.firstDay).Bind(8, card.reps);
    upsert.Bind(9, card.lapses).Bind(10, card.lastDay);
    if (upsert.Step() != SQLITE_DONE) return fail(upsert.Code());

    Statement insert(db_,
                     "INSERT INTO events(at, day, kind, list, book, chapter, word, meaning, right, ms, letters, review, "
                     "grade, due) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14)");
    insert.Bind(1, event.at).Bind(2, day).Bind(3, event.kind).Bind(4, event.list).Bind(5, event.book);
    insert.Bind(6, event.chapter).Bind(7, event.word).Bind(8, event.meaning).Bind(9, event.right ? 1 : 0);
    insert.Bind(10, event.ms).Bind(11, letters).Bind(12, judged.review ? 1 : 0);
    insert.Bind(13, judged.review ? std::optional<int>(judged.grade) : std::nullopt);
    insert.Bind(14, judged.review && before ? std::optional<int>(judged.wasDue ? 1 : 0) : std::nullopt);
    if (insert.Step() != SQLITE_DONE) return fail(insert.Code());

    if (event.book) {
        Statement book(db_, "INSERT OR IGNORE INTO card_books(word, meaning, book) VALUES(?1, ?2, ?3)");
        book.Bind(1, event.word).Bind(2, event.meaning).Bind(3, *event.book);
        if (book.Step() != SQLITE_DONE) return fail(book.Code());
    }
    const int committed = Exec(db_, "COMMIT");
    if (committed != SQLITE_OK) return fail(committed);
    if (event.right && perLetter) times.Add(*perLetter);
    return judged;
}

bool RecordDb::AddTest(const TestResult& test) {
    for (int attempt = 0; attempt < 3 && db_; ++attempt) {
        Statement insert(db_,
                         "INSERT INTO tests(at, day, list, book, chapter, score, right, wrong) "
                         "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
        insert.Bind(1, test.at).Bind(2, LearnerDay(test.at)).Bind(3, test.list).Bind(4, test.book);
        insert.Bind(5, test.chapter).Bind(6, test.score).Bind(7, test.right).Bind(8, test.wrong);
        if (insert.Step() == SQLITE_DONE) return true;
        if ((insert.Code() & 0xFF) == SQLITE_BUSY) continue;
        if (!IsDamage(insert.Code()) || !RenewIfDamaged(insert.Code())) return false;
    }
    return false;
}

std::vector<DueEntry> RecordDb::Due(std::int64_t today, std::size_t cap) {
    std::vector<DueEntry> due;
    if (!db_) return due;
    Statement rows(db_, "SELECT word, meaning, stability, last_day FROM cards WHERE last_day < ?1");
    rows.Bind(1, today);
    while (rows.Step() == SQLITE_ROW) {
        const double r = model_.Retrievability(static_cast<double>(today - rows.Int(3)), rows.Real(2));
        if (r < target_) due.push_back({rows.Text(0), rows.Text(1), r});
    }
    if (IsDamage(rows.Code())) RenewIfDamaged(rows.Code());
    const auto end = due.begin() + static_cast<std::ptrdiff_t>(std::min(cap, due.size()));
    std::partial_sort(due.begin(), end, due.end(), [](const DueEntry& a, const DueEntry& b) {
        if (a.retrievability != b.retrievability) return a.retrievability < b.retrievability;
        return std::tie(a.word, a.meaning) < std::tie(b.word, b.meaning);
    });
    due.erase(end, due.end());
    return due;
}

std::size_t RecordDb::CountDue(std::int64_t today) {
    std::size_t count = 0;
    if (!db_) return count;
    Statement rows(db_, "SELECT stability, last_day FROM cards WHERE last_day < ?1");
    rows.Bind(1, today);
    while (rows.Step() == SQLITE_ROW)
        if (model_.Retrievability(static_cast<double>(today - rows.Int(1)), rows.Real(0)) < target_) ++count;
    return count;
}

BookProgress RecordDb::Progress(const std::string& book, std::int64_t today) {
    const auto books = ProgressOfBooks(today);
    const auto found = books.find(book);
    return found == books.end() ? BookProgress{} : found->second;
}

// "known": stability of 21 days or more; "learning": less; "due": under the
// target today.
std::map<std::string, BookProgress> RecordDb::ProgressOfBooks(std::int64_t today) {
    std::map<std::string, BookProgress> books;
    if (!db_) return books;
    Statement rows(db_,
                   "SELECT b.book, c.stability, c.last_day FROM card_books b JOIN cards c ON c.word = b.word AND "
                   "c.meaning = b.meaning");
    while (rows.Step() == SQLITE_ROW) {
        BookProgress& progress = books[rows.Text(0)];
        const double stability = rows.Real(1);
        if (stability >= 21.0)
            ++progress.known;
        else
            ++progress.learning;
        if (model_.Retrievability(static_cast<double>(std::max<std::int64_t>(today - rows.Int(2), 0)), stability) <
            target_)
            ++progress.due;
    }
    return books;
}

std::size_t RecordDb::ReviewsFrom(const std::string& list, std::int64_t day) {
    if (!db_) return 0;
    Statement count(db_, "SELECT count(*) FROM events WHERE day = ?1 AND review = 1 AND list = ?2");
    count.Bind(1, day).Bind(2, list);
    return count.Step() == SQLITE_ROW ? static_cast<std::size_t>(count.Int(0)) : 0;
}

std::int64_t RecordDb::EventCount() {
    if (!db_) return 0;
    Statement count(db_, "SELECT count(*) FROM events");
    return count.Step() == SQLITE_ROW ? count.Int(0) : 0;
}

void RecordDb::WriteCsvHeader(std::ostream& out) {
    out << "\xEF\xBB\xBF"  // a byte-order mark: spreadsheets then read the Chinese as UTF-8
        << "id,at,time,day,kind,list,book,chapter,word,meaning,right,ms,letters,review,grade,due\r\n";
}

bool RecordDb::ExportCsv(std::ostream& out) {
    if (!db_) return false;
    WriteCsvHeader(out);
    Statement rows(db_,
                   "SELECT id, at, day, kind, list, book, chapter, word, meaning, right, ms, letters, review, grade, due "
                   "FROM events ORDER BY id");
    int code;
    while ((code = rows.Step()) == SQLITE_ROW) {
        auto number = [&](int column) { return rows.IsNull(column) ? std::string() : std::to_string(rows.Int(column)); };
        out << rows.Int(0) << ',' << rows.Int(1) << ',' << LocalTimeText(rows.Int(1), "%Y-%m-%d %H:%M:%S") << ',' << rows.Int(2) << ',';
        WriteCsvField(out, rows.Text(3));
        out << ',';
        WriteCsvField(out, rows.Text(4));
        out << ',';
        WriteCsvField(out, rows.Text(5));
        out << ',' << number(6) << ',';
        WriteCsvField(out, rows.Text(7));
        out << ',';
        WriteCsvField(out, rows.Text(8));
        out << ',' << number(9) << ',' << number(10) << ',' << number(11) << ',' << number(12) << ',' << number(13)
            << ',' << number(14) << "\r\n";
    }
    return code == SQLITE_DONE && out.good();
}

}  // namespace kestran::record

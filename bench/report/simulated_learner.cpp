#include "bench/report/simulated_learner.h"

#include <sqlite3.h>

#include <cmath>
#include <random>
#include <stdexcept>

#include "features/record/record_schema.h"

namespace kestran::reporttest {
namespace {

constexpr std::int64_t kDayMs = 86400000;
constexpr char kReviewList[] = "/home/learner/.local/share/kestran/\xE4\xBB\x8A\xE6\x97\xA5\xE5\xA4\x8D\xE4\xB9\xA0.txt";
constexpr char kOwnList[] = "/home/learner/\xE6\x88\x91\xE7\x9A\x84\xE8\xAF\x8D\xE8\xA1\xA8.txt";  // 我的词表.txt

class Db {
public:
    explicit Db(const std::string& path) {
        if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) throw std::runtime_error("cannot open " + path);
        Exec(record::kSchemaSql);
        Exec("BEGIN");
        events_ = Prepare(
            "INSERT INTO events(at, day, kind, list, book, chapter, word, meaning, right, ms, letters, review, grade) "
            "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)");
        tests_ = Prepare("INSERT INTO tests(at, day, list, book, chapter, score, right, wrong) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
        cards_ = Prepare(
            "INSERT INTO cards(word, meaning, state, stability, difficulty, last_at, first_day, reps, lapses, last_day) "
            "VALUES(?1, ?2, 2, ?3, 5, ?4, ?5, 1, 0, ?6)");
        cardBooks_ = Prepare("INSERT INTO card_books(word, meaning, book) VALUES(?1, ?2, ?3)");
    }
    ~Db() {
        sqlite3_finalize(events_);
        sqlite3_finalize(tests_);
        sqlite3_finalize(cards_);
        sqlite3_finalize(cardBooks_);
        sqlite3_close(db_);
    }
    void Commit() {
        // As the record does with each event: the books an entry was drilled from.
        Exec("INSERT OR IGNORE INTO card_books(word, meaning, book) "
             "SELECT DISTINCT word, meaning, book FROM events WHERE book IS NOT NULL");
        Exec("COMMIT");
    }

    struct EventRow {
        std::int64_t at;
        int day;
        const char* kind;
        std::string list, book;
        int chapter;  // 0: none
        std::string word, meaning;
        int right;    // -1: NULL
        std::int64_t ms;  // -1: NULL
        bool review;
        int grade;    // 0: NULL
    };
    void Event(const EventRow& e) {
        sqlite3_reset(events_);
        sqlite3_bind_int64(events_, 1, e.at);
        sqlite3_bind_int(events_, 2, e.day);
        sqlite3_bind_text(events_, 3, e.kind, -1, SQLITE_STATIC);
        sqlite3_bind_text(events_, 4, e.list.c_str(), -1, SQLITE_TRANSIENT);
        BindOptionalText(events_, 5, e.book);
        e.chapter ? sqlite3_bind_int(events_, 6, e.chapter) : sqlite3_bind_null(events_, 6);
        sqlite3_bind_text(events_, 7, e.word.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(events_, 8, e.meaning.c_str(), -1, SQLITE_TRANSIENT);
        e.right >= 0 ? sqlite3_bind_int(events_, 9, e.right) : sqlite3_bind_null(events_, 9);
        e.ms >= 0 ? sqlite3_bind_int64(events_, 10, e.ms) : sqlite3_bind_null(events_, 10);
        sqlite3_bind_int(events_, 11, static_cast<int>(e.word.size()));
        sqlite3_bind_int(events_, 12, e.review);
        e.grade ? sqlite3_bind_int(events_, 13, e.grade) : sqlite3_bind_null(events_, 13);
        Step(events_);
    }
    void Test(std::int64_t at, int day, const std::string& list, const std::string& book, int chapter, int score, int right,
              int wrong) {
        sqlite3_reset(tests_);
        sqlite3_bind_int64(tests_, 1, at);
        sqlite3_bind_int(tests_, 2, day);
        sqlite3_bind_text(tests_, 3, list.c_str(), -1, SQLITE_TRANSIENT);
        BindOptionalText(tests_, 4, book);
        chapter ? sqlite3_bind_int(tests_, 5, chapter) : sqlite3_bind_null(tests_, 5);
        sqlite3_bind_int(tests_, 6, score);
        sqlite3_bind_int(tests_, 7, right);
        sqlite3_bind_int(tests_, 8, wrong);
        Step(tests_);
    }
    void Card(const SimCard& card) {
        sqlite3_reset(cards_);
        sqlite3_bind_text(cards_, 1, card.word.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(cards_, 2, card.meaning.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(cards_, 3, card.stability);
        sqlite3_bind_int64(cards_, 4, card.lastAt);
        sqlite3_bind_int(cards_, 5, card.firstDay);
        sqlite3_bind_int(cards_, 6, card.lastDay);
        Step(cards_);
        sqlite3_reset(cardBooks_);
        sqlite3_bind_text(cardBooks_, 1, card.word.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(cardBooks_, 2, card.meaning.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(cardBooks_, 3, card.book.c_str(), -1, SQLITE_TRANSIENT);
        Step(cardBooks_);
    }

private:
    void Exec(const char* sql) {
        if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db_));
    }
    sqlite3_stmt* Prepare(const char* sql) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db_));
        return statement;
    }
    void Step(sqlite3_stmt* statement) {
        if (sqlite3_step(statement) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db_));
    }
    static void BindOptionalText(sqlite3_stmt* statement, int index, const std::string& text) {
        text.empty() ? sqlite3_bind_null(statement, index) : sqlite3_bind_text(statement, index, text.c_str(), -1, SQLITE_TRANSIENT);
    }

    sqlite3* db_ = nullptr;
    sqlite3_stmt *events_ = nullptr, *tests_ = nullptr, *cards_ = nullptr, *cardBooks_ = nullptr;
};

// Entry n of a book: a word of 3 to 12 letters that names it, and a meaning.
std::pair<std::string, std::string> BookEntry(const std::string& book, int n) {
    std::string word;
    for (int rest = n + 1; rest > 0; rest /= 26) word += static_cast<char>('a' + rest % 26);
    while (word.size() < static_cast<std::size_t>(3 + n % 10)) word += 'e';
    return {(book == "\xE5\x9B\x9B\xE7\xBA\xA7" ? "c" : "s") + word, book + "\xE8\xAF\x8D" + std::to_string(n)};  // 词
}

class Simulation {
public:
    Simulation(const std::string& path, const SimConfig& config) : db_(path), config_(config), random_(config.seed) {}

    SimTruth Run() {
        const int first = config_.today - config_.days + 1;
        for (int day = first; day <= config_.today; ++day) {
            const bool tail = day > config_.today - config_.streakTail;
            const bool gap = day == config_.today - config_.streakTail;
            if (tail || (!gap && Chance(config_.studyChance))) StudyDay(day);
        }
        for (const SimCard& card : truth_.cards) db_.Card(card);
        db_.Commit();
        return std::move(truth_);
    }

private:
    bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(random_) < p; }
    int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    // The day's first judgement of each due entry, as a test of 今日复习.
    void Reviews(int day) {
        int right = 0, wrong = 0;
        for (SimCard& card : truth_.cards) {
            if (card.lastDay + static_cast<int>(std::floor(card.stability)) + 1 > day) continue;
            const bool ok = Chance(0.85);
            const std::int64_t ms = static_cast<std::int64_t>(card.word.size()) * Between(180, 320);
            Add({Next(day), day, "test", kReviewList, "", 0, card.word, card.meaning, ok, ms, true, ok ? 3 : 1});
            Tally& review = truth_.reviews[day];
            ++review.count;
            review.right += ok;
            card.stability = ok ? card.stability * 2.4 : std::max(0.5, card.stability * 0.3);
            card.lastDay = day;
            card.lastAt = at_;
            ok ? ++right : ++wrong;
        }
        if (right + wrong > 0) AddTest(day, kReviewList, "", 0, right, wrong);
    }

    // New entries: a test of them, then practice passes over them.
    void NewEntries(int day) {
        const bool sixth = day % 5 == 0;  // now and then the other book
        const std::string book = sixth ? "\xE5\x85\xAD\xE7\xBA\xA7" : "\xE5\x9B\x9B\xE7\xBA\xA7";  // 六级 / 四级
        int& next = sixth ? nextSixth_ : nextFourth_;
        const int chapter = next / 100 + 1;
        char number[16];
        std::snprintf(number, sizeof number, "%03d", chapter);
        const std::string list = "/usr/share/kestran/lists/\xE8\xAF\x8D\xE5\xBA\x93/" + book + "/" + book + "-" + number + ".txt";
        std::vector<std::size_t> fresh;
        int right = 0, wrong = 0;
        for (int i = 0; i < config_.newPerDay; ++i, ++next) {
            const auto [word, meaning] = BookEntry(book, next);
            const bool ok = Chance(0.7);
            const std::int64_t ms = static_cast<std::int64_t>(word.size()) * Between(200, 400);
            Add({Next(day), day, "test", list, book, chapter, word, meaning, ok, ms, true, ok ? 3 : 1});
            truth_.cards.push_back({word, meaning, book, ok ? 2.3 : 0.4, day, day, at_});
            fresh.push_back(truth_.cards.size() - 1);
            ++truth_.newWords[day];
            ok ? ++right : ++wrong;
        }
        AddTest(day, list, book, chapter, right, wrong);
        for (int pass = 0; pass < config_.practicePasses; ++pass) {
            for (std::size_t index : fresh) {
                const SimCard& card = truth_.cards[index];
                const bool hit = Chance(0.8);
                const std::int64_t ms = hit ? static_cast<std::int64_t>(card.word.size()) * Between(120, 260) : -1;
                Add({Next(day), day, hit ? "hit" : "miss", list, book, chapter, card.word, card.meaning, hit, ms, false, 0});
            }
        }
    }

    // Now and then a test of a list of the learner's own, outside the books.
    void OwnList(int day) {
        int right = 0, wrong = 0;
        for (int i = 0; i < 5; ++i) {
            const std::string word = "own" + std::string(1, static_cast<char>('a' + i));
            const bool ok = Chance(0.6);
            Add({Next(day), day, "test", kOwnList, "", 0, word, "\xE8\x87\xAA\xE5\xB7\xB1" + std::to_string(i), ok,
                 static_cast<std::int64_t>(word.size()) * Between(200, 400), false, 0});
            ok ? ++right : ++wrong;
        }
        AddTest(day, kOwnList, "", 0, right, wrong);
    }

    void StudyDay(int day) {
        at_ = static_cast<std::int64_t>(day) * kDayMs + 12 * 3600 * 1000LL;
        // Today's reviews are still to do: they show as due.
        if (day != config_.today) Reviews(day);
        NewEntries(day);
        if (day % 7 == 3) OwnList(day);
    }

    std::int64_t Next(int) { return at_ += 4000; }

    void Add(const Db::EventRow& e) {
        db_.Event(e);
        ++truth_.events;
        ++truth_.answers[e.day];
        if (e.right == 0) {
            auto& miss = truth_.misses[{e.word, e.meaning}];
            ++miss.first;
            miss.second = e.day;
        }
        if (e.right == 1 && e.ms >= 0) {
            Tally& typing = truth_.typing[e.day];
            ++typing.count;
            typing.ms += e.ms;
            typing.letters += static_cast<std::int64_t>(e.word.size());
        }
    }

    void AddTest(int day, const std::string& list, const std::string& book, int chapter, int right, int wrong) {
        const int score = (right * 100 + (right + wrong) / 2) / (right + wrong);
        db_.Test(Next(day), day, list, book, chapter, score, right, wrong);
        truth_.tests.push_back({list, "", day, score});
    }

    Db db_;
    SimConfig config_;
    std::mt19937 random_;
    SimTruth truth_;
    std::int64_t at_ = 0;
    int nextFourth_ = 0, nextSixth_ = 0;
};

}  // namespace

SimTruth SimulateLearner(const std::string& utf8Path, const SimConfig& config) { return Simulation(utf8Path, config).Run(); }

std::string SimulatedCatalogue() {
    return "\xE4\xB8\xAD\xE8\x80\x83\t\xE4\xB8\xAD\xE8\x80\x83\xE8\xAF\x8D\xE6\xB1\x87\t6\t600\n"       // 中考 中考词汇
           "\xE5\x9B\x9B\xE7\xBA\xA7\t\xE5\xA4\xA7\xE5\xAD\xA6\xE5\x9B\x9B\xE7\xBA\xA7\t45\t4500\n"     // 四级 大学四级
           "\xE5\x85\xAD\xE7\xBA\xA7\t\xE5\xA4\xA7\xE5\xAD\xA6\xE5\x85\xAD\xE7\xBA\xA7\t25\t2500\n";    // 六级 大学六级
}

}  // namespace kestran::reporttest

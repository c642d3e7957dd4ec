#include "features/report/report_figures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <string_view>
#include <tuple>
#include <unordered_map>

#include "features/record/fsrs.h"
#include "features/record/sqlite_statement.h"

namespace kestran::report {
namespace {

using record::Statement;

std::string ListName(const std::string& list, const std::string& book, std::int64_t chapter, bool hasChapter) {
    if (!book.empty() && hasChapter) {
        char number[16];
        std::snprintf(number, sizeof number, "-%03lld", static_cast<long long>(chapter));
        return book + number;
    }
    const auto slash = list.find_last_of("/\\");
    std::string name = slash == std::string::npos ? list : list.substr(slash + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

class Computer {
public:
    Computer(sqlite3* db, const ReportInputs& inputs, ReportFigures& figures)
        : db_(db), in_(inputs), out_(figures) {}

    bool Run() {
        out_.today = in_.today;
        out_.target = in_.target;
        firstWeek_ = WeekStart(in_.today) - (kWeeks - 1) * 7;
        Prepare();
        return Cards() && ScanEvents() && Streak() && Tests() && Books();
    }
    std::string Error() const { return sqlite3_errmsg(db_); }

private:
    int WeekIndex(int day) const { return (WeekStart(day) - firstWeek_) / 7; }
    bool InWeeks(int day) const { return day >= firstWeek_ && day <= in_.today; }
    // An entry (word and meaning) as a 64-bit hash: the scan looks entries
    // up by it without copying their texts. Two of 20,000 entries share
    // one with a chance of about 1 in 10^10.
    static std::uint64_t EntryKey(const Statement& row, int wordColumn) {
        const std::uint64_t word = std::hash<std::string_view>{}(row.View(wordColumn));
        const std::uint64_t meaning = std::hash<std::string_view>{}(row.View(wordColumn + 1));
        return word ^ (meaning + 0x9E3779B97F4A7C15ULL + (word << 6) + (word >> 2));
    }

    void Prepare() {
        out_.answers.assign(kCalendarDays, 0);
        out_.recent.resize(kRecentDays);
        for (int i = 0; i < kRecentDays; ++i) out_.recent[i].day = in_.today - kRecentDays + 1 + i;
        out_.retention.resize(kWeeks);
        out_.typing.resize(kWeeks);
        for (int w = 0; w < kWeeks; ++w) out_.retention[w].firstDay = out_.typing[w].firstDay = firstWeek_ + 7 * w;
        out_.due.assign(kForecastDays, 0);
    }

    // New entries a day, what is known, and what falls due from today; and
    // each entry's first day, for telling reviews from first sight.
    bool Cards() {
        Statement cards(db_, "SELECT word, meaning, first_day, stability, last_day FROM cards");
        while (cards.Step() == SQLITE_ROW) {
            const int firstDay = static_cast<int>(cards.Int(2));
            const double stability = cards.Real(3);
            firstDays_.emplace(EntryKey(cards, 0), firstDay);
            ++out_.entries;
            if (stability >= kKnownStability) ++out_.known;
            if (firstDay > in_.today - kRecentDays && firstDay <= in_.today)
                ++out_.recent[firstDay - out_.recent.front().day].newWords;
            const int due = DueDay(static_cast<int>(cards.Int(4)), stability, in_.target);
            const int from = std::max(due - in_.today, 0);
            if (from < kForecastDays) ++out_.due[from];
        }
        return cards.Ok();
    }

    // One pass over the record, in the order it was written (a year of heavy
    // use is half a million rows: one scan, not one a figure):
    //  - answers a day;
    //  - typing time of right answers and hits;
    //  - reviews (a day's first judgement of an entry first drilled on an
    //    earlier day), and the right ones, by day and week;
    //  - the entries missed (a miss or a wrong test answer), over all time.
    bool ScanEvents() {
        std::unordered_map<std::uint64_t, MissedWord> missed;
        // A record no program of this version has written to yet has no
        // `due`: its reviews count as due.
        const bool keepsDue = Statement(db_, "SELECT due FROM events LIMIT 0").Ok();
        Statement events(db_, keepsDue ? "SELECT day, kind, right, ms, letters, review, grade, word, meaning, due FROM events"
                                       : "SELECT day, kind, right, ms, letters, review, grade, word, meaning, NULL FROM events");
        while (events.Step() == SQLITE_ROW) {
            ++out_.totalEvents;
            const int day = static_cast<int>(events.Int(0));
            const char kind = events.FirstChar(1);  // 't'est, 'h'it, 'm'iss
            const bool rightNull = events.IsNull(2);
            const bool right = !rightNull && events.Int(2) == 1;
            if ((kind == 't' && !rightNull && !right) || kind == 'm') {
                MissedWord& entry = missed[EntryKey(events, 7)];
                if (entry.misses++ == 0) {
                    entry.word = events.Text(7);
                    entry.meaning = events.Text(8);
                }
                entry.lastDay = std::max(entry.lastDay, day);
            }
            if (day > in_.today || day < firstWeek_) continue;  // the weeks reach back past the calendar's first day
            if (day >= out_.FirstCalendarDay()) ++out_.answers[day - out_.FirstCalendarDay()];
            if (!InWeeks(day)) continue;
            const std::int64_t letters = events.Int(4);
            if (!events.IsNull(3) && letters > 0 && (kind == 'h' || right)) {
                WeekTyping& week = out_.typing[WeekIndex(day)];
                ++week.answers;
                week.ms += events.Int(3);
                week.letters += letters;
            }
            if (events.Int(5) != 1) continue;
            const auto card = firstDays_.find(EntryKey(events, 7));
            if (card == firstDays_.end() || day <= card->second) continue;
            const bool remembered = events.IsNull(6) ? (kind == 'h' || right) : events.Int(6) > 1;
            if (day > in_.today - kRecentDays) ++out_.recent[day - out_.recent.front().day].reviews;
            // Retention is of due reviews: an entry seen again before it fell
            // due tells little of what is remembered.
            if (!events.IsNull(9) && events.Int(9) == 0) continue;
            WeekShare& week = out_.retention[WeekIndex(day)];
            ++week.reviews;
            week.right += remembered;
        }
        if (!events.Ok()) return false;
        for (int count : out_.answers) out_.studiedDays += count > 0;

        std::vector<MissedWord> ranked;
        ranked.reserve(missed.size());
        for (auto& [key, entry] : missed) ranked.push_back(std::move(entry));
        const auto order = [](const MissedWord& a, const MissedWord& b) {
            return std::tie(b.misses, b.lastDay, a.word, a.meaning) < std::tie(a.misses, a.lastDay, b.word, b.meaning);
        };
        const auto end = ranked.begin() + std::min<std::size_t>(ranked.size(), kMostMissed);
        std::partial_sort(ranked.begin(), end, ranked.end(), order);
        out_.missed.assign(ranked.begin(), end);
        return true;
    }

    // Days in a row with an answer, back from today; a today without one
    // yet does not break the run that ended yesterday.
    bool Streak() {
        Statement days(db_, "SELECT DISTINCT day FROM events WHERE day <= ?1 ORDER BY day DESC");
        days.Bind(1, in_.today);
        int expected = in_.today;
        while (days.Step() == SQLITE_ROW) {
            const int day = static_cast<int>(days.Int(0));
            if (day == expected) {
                ++out_.streak;
                --expected;
            } else if (day == in_.today - 1 && expected == in_.today) {
                out_.streak = 1;
                expected = day - 1;
            } else {
                break;
            }
        }
        return days.Ok();
    }

    bool Tests() {
        Statement tests(db_,
                        "SELECT list, book, chapter, day, at, score FROM tests WHERE day BETWEEN ?1 AND ?2 ORDER BY at, id");
        tests.Bind(1, out_.FirstCalendarDay()).Bind(2, in_.today);
        std::map<std::string, std::size_t> byList;
        while (tests.Step() == SQLITE_ROW) {
            const std::string list = tests.Text(0);
            auto [at, added] = byList.try_emplace(list, out_.scores.size());
            if (added) out_.scores.push_back({list, ListName(list, tests.Text(1), tests.Int(2), !tests.IsNull(2)), {}});
            out_.scores[at->second].tests.push_back(
                {static_cast<int>(tests.Int(3)), tests.Int(4), static_cast<int>(tests.Int(5))});
        }
        std::stable_sort(out_.scores.begin(), out_.scores.end(), [](const ListScores& a, const ListScores& b) {
            return a.tests.back().at > b.tests.back().at;
        });
        return tests.Ok();
    }

    // Each book's entries drilled so far (the record names an entry's books
    // in card_books), learning or known; the rest of its words are new.
    bool Books() {
        for (const wordbooks::Book& book : in_.books) out_.books.push_back({book, 0, 0});
        if (out_.books.empty()) return true;
        Statement query(db_,
                        "SELECT b.book, SUM(c.stability < ?1), SUM(c.stability >= ?1) FROM card_books b "
                        "JOIN cards c ON c.word = b.word AND c.meaning = b.meaning GROUP BY b.book");
        query.Bind(1, static_cast<std::int64_t>(kKnownStability));
        while (query.Step() == SQLITE_ROW) {
            const std::string folder = query.Text(0);
            for (BookProgress& progress : out_.books) {
                if (progress.book.folder != folder) continue;
                progress.learning = static_cast<int>(query.Int(1));
                progress.known = static_cast<int>(query.Int(2));
            }
        }
        return query.Ok();
    }

    sqlite3* db_;
    const ReportInputs& in_;
    ReportFigures& out_;
    int firstWeek_ = 0;
    std::unordered_map<std::uint64_t, int> firstDays_;  // entry -> its first day
};

}  // namespace

int DueDay(int lastDay, double stability, double target) {
    static const record::fsrs::Model model;
    if (!(target > 0 && target < 1)) target = 0.9;
    // Retrievability falls with time: from the interval the model gives,
    // the first whole day under the target.
    int elapsed = static_cast<int>(std::floor(model.Interval(target, stability)));
    while (elapsed > 0 && model.Retrievability(elapsed, stability) < target) --elapsed;
    while (model.Retrievability(elapsed, stability) >= target) ++elapsed;
    return lastDay + elapsed;
}

int WeekStart(int day) {
    // Day 0, 1970-01-01, was a Thursday.
    const int sinceMonday = ((day + 3) % 7 + 7) % 7;
    return day - sinceMonday;
}

std::optional<ReportFigures> ComputeFigures(sqlite3* db, const ReportInputs& inputs, std::string& error) {
    ReportFigures figures;
    Computer computer(db, inputs, figures);
    // One read transaction: every figure from the same moment of the record,
    // while another window may be writing it.
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    const bool ok = computer.Run();
    if (!ok) error = computer.Error();
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    if (!ok) return std::nullopt;
    return figures;
}

}  // namespace kestran::report

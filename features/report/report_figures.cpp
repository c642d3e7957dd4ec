#include "features/report/report_figures.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "features/report/record_seam.h"
#include "features/report/sqlite_statement.h"

namespace kestran::report {
namespace {

// A right judgement: the grade when the event was graded, else a hit or a
// right test answer.
constexpr char kRightSql[] = "CASE WHEN grade IS NOT NULL THEN grade > 1 ELSE (kind = 'hit' OR right = 1) END";

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
        yearStart_ = std::min(out_.FirstCalendarDay(), firstWeek_);
        return DailyTotals() && Streak() && Reviews() && Cards() && Tests() && Books() && Missed();
    }
    std::string Error() const { return sqlite3_errmsg(db_); }

private:
    int WeekIndex(int day) const { return (WeekStart(day) - firstWeek_) / 7; }
    bool InWeeks(int day) const { return day >= firstWeek_ && day <= in_.today; }

    // Answers a day, and typing time of right answers and hits.
    bool DailyTotals() {
        out_.answers.assign(kCalendarDays, 0);
        out_.typing.resize(kWeeks);
        for (int w = 0; w < kWeeks; ++w) out_.typing[w].firstDay = firstWeek_ + 7 * w;
        Statement query(db_,
                        "SELECT day, COUNT(*), "
                        "SUM(CASE WHEN ms IS NOT NULL AND letters > 0 AND (kind = 'hit' OR right = 1) THEN 1 END), "
                        "SUM(CASE WHEN ms IS NOT NULL AND letters > 0 AND (kind = 'hit' OR right = 1) THEN ms END), "
                        "SUM(CASE WHEN ms IS NOT NULL AND letters > 0 AND (kind = 'hit' OR right = 1) THEN letters END) "
                        "FROM events WHERE day BETWEEN ?1 AND ?2 GROUP BY day");
        query.Bind(1, yearStart_).Bind(2, in_.today);
        while (query.Step()) {
            const int day = static_cast<int>(query.Int(0));
            if (day >= out_.FirstCalendarDay()) {
                out_.answers[day - out_.FirstCalendarDay()] = static_cast<int>(query.Int(1));
                ++out_.studiedDays;
            }
            if (InWeeks(day)) {
                WeekTyping& week = out_.typing[WeekIndex(day)];
                week.answers += static_cast<int>(query.Int(2));
                week.ms += query.Int(3);
                week.letters += query.Int(4);
            }
        }
        if (!query.Ok()) return false;
        Statement total(db_, "SELECT COUNT(*) FROM events");
        if (total.Step()) out_.totalEvents = total.Int(0);
        return total.Ok();
    }

    // Days in a row with an answer, back from today; a today without one
    // yet does not break the run that ended yesterday.
    bool Streak() {
        Statement days(db_, "SELECT DISTINCT day FROM events WHERE day <= ?1 ORDER BY day DESC");
        days.Bind(1, in_.today);
        int expected = in_.today;
        while (days.Step()) {
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

    // Reviews (a day's first judgement of an entry drilled on an earlier
    // day): how many a day lately, and how many right a week.
    bool Reviews() {
        out_.recent.resize(kRecentDays);
        for (int i = 0; i < kRecentDays; ++i) out_.recent[i].day = in_.today - kRecentDays + 1 + i;
        out_.retention.resize(kWeeks);
        for (int w = 0; w < kWeeks; ++w) out_.retention[w].firstDay = firstWeek_ + 7 * w;
        const std::string sql = std::string("SELECT e.day, COUNT(*), SUM(") + kRightSql +
                                ") FROM events e JOIN cards c ON c.word = e.word AND c.meaning = e.meaning "
                                "WHERE e.review = 1 AND e.day > c.first_day AND e.day BETWEEN ?1 AND ?2 GROUP BY e.day";
        Statement query(db_, sql.c_str());
        query.Bind(1, yearStart_).Bind(2, in_.today);
        while (query.Step()) {
            const int day = static_cast<int>(query.Int(0));
            const int reviews = static_cast<int>(query.Int(1));
            if (day > in_.today - kRecentDays) out_.recent[day - out_.recent.front().day].reviews = reviews;
            if (InWeeks(day)) {
                WeekShare& week = out_.retention[WeekIndex(day)];
                week.reviews += reviews;
                week.right += static_cast<int>(query.Int(2));
            }
        }
        return query.Ok();
    }

    // New entries a day, what is known, and what falls due from today.
    bool Cards() {
        out_.due.assign(kForecastDays, 0);
        Statement cards(db_, "SELECT first_day, stability, last_at FROM cards");
        while (cards.Step()) {
            const int firstDay = static_cast<int>(cards.Int(0));
            const double stability = cards.Real(1);
            ++out_.entries;
            if (stability >= kKnownStability) ++out_.known;
            if (firstDay > in_.today - kRecentDays && firstDay <= in_.today)
                ++out_.recent[firstDay - out_.recent.front().day].newWords;
            const int due = seam::DueDay(seam::LearnerDay(cards.Int(2)), stability, in_.target);
            const int from = std::max(due - in_.today, 0);
            if (from < kForecastDays) ++out_.due[from];
        }
        return cards.Ok();
    }

    bool Tests() {
        Statement tests(db_,
                        "SELECT list, book, chapter, day, at, score FROM tests WHERE day BETWEEN ?1 AND ?2 ORDER BY at, id");
        tests.Bind(1, out_.FirstCalendarDay()).Bind(2, in_.today);
        std::map<std::string, std::size_t> byList;
        while (tests.Step()) {
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

    // Each book's entries drilled so far, learning or known; the rest of
    // its words are new.
    bool Books() {
        for (const wordbooks::Book& book : in_.books) out_.books.push_back({book, 0, 0});
        if (out_.books.empty()) return true;
        Statement query(db_,
                        "SELECT b.book, SUM(c.stability < ?1), SUM(c.stability >= ?1) FROM "
                        "(SELECT DISTINCT book, word, meaning FROM events WHERE book IS NOT NULL) b "
                        "JOIN cards c ON c.word = b.word AND c.meaning = b.meaning GROUP BY b.book");
        query.Bind(1, static_cast<std::int64_t>(kKnownStability));
        while (query.Step()) {
            const std::string folder = query.Text(0);
            for (BookProgress& progress : out_.books) {
                if (progress.book.folder != folder) continue;
                progress.learning = static_cast<int>(query.Int(1));
                progress.known = static_cast<int>(query.Int(2));
            }
        }
        return query.Ok();
    }

    bool Missed() {
        Statement query(db_,
                        "SELECT word, meaning, COUNT(*), MAX(day) FROM events "
                        "WHERE kind = 'miss' OR (kind = 'test' AND right = 0) "
                        "GROUP BY word, meaning ORDER BY 3 DESC, 4 DESC, 1, 2 LIMIT ?1");
        query.Bind(1, kMostMissed);
        while (query.Step())
            out_.missed.push_back({query.Text(0), query.Text(1), static_cast<int>(query.Int(2)), static_cast<int>(query.Int(3))});
        return query.Ok();
    }

    sqlite3* db_;
    const ReportInputs& in_;
    ReportFigures& out_;
    int firstWeek_ = 0, yearStart_ = 0;
};

}  // namespace

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

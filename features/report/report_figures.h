// The figures of the study report, computed from the record alone: no
// display, no files but the record. Days are learner's days (see
// record_schema.h); a week begins on a Monday.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "features/wordbooks/book_list.h"

struct sqlite3;

namespace kestran::report {

inline constexpr int kCalendarDays = 365;  // the calendar: the last 12 months
inline constexpr int kRecentDays = 30;     // new words and reviews a day
inline constexpr int kForecastDays = 30;   // reviews due a day, from today
inline constexpr int kWeeks = 53;          // weekly figures: a year of weeks
inline constexpr int kMostMissed = 20;
inline constexpr double kKnownStability = 21;  // days

struct ReportInputs {
    int today = 0;            // the learner's day the report is for
    double target = 0.9;      // retention the schedule aims at
    std::vector<wordbooks::Book> books;
};

struct DayLearning {
    int day = 0;
    int newWords = 0;  // entries first drilled that day
    int reviews = 0;   // first judgements that day of entries from earlier days
};

struct TestPoint {
    int day = 0;
    std::int64_t at = 0;
    int score = 0;
};

struct ListScores {
    std::string list;  // as recorded (the list's path)
    std::string name;  // for the learner: book-chapter, or the file's name
    std::vector<TestPoint> tests;  // oldest first
};

struct WeekShare {
    int firstDay = 0;  // its Monday
    int reviews = 0;
    int right = 0;
};

struct WeekTyping {
    int firstDay = 0;
    int answers = 0;  // right answers and hits with a time
    std::int64_t ms = 0;
    std::int64_t letters = 0;
    double MsPerLetter() const { return letters > 0 ? static_cast<double>(ms) / letters : 0; }
};

struct BookProgress {
    wordbooks::Book book;
    int learning = 0;
    int known = 0;
    int New() const { return book.words > learning + known ? book.words - learning - known : 0; }
};

struct MissedWord {
    std::string word, meaning;
    int misses = 0;
    int lastDay = 0;
};

struct ReportFigures {
    int today = 0;
    double target = 0.9;
    // answers[i]: events on day today - kCalendarDays + 1 + i.
    std::vector<int> answers;
    int streak = 0;             // days in a row up to today (or yesterday, while today is still empty)
    int studiedDays = 0;        // days with an answer in the calendar
    std::int64_t totalEvents = 0;  // in the whole record
    int entries = 0;            // cards
    int known = 0;
    std::vector<DayLearning> recent;   // kRecentDays, oldest first, ending today
    std::vector<ListScores> scores;    // lists tested in the calendar's year, latest test first
    std::vector<WeekShare> retention;  // kWeeks, oldest first, ending with this week
    std::vector<int> due;              // kForecastDays from today; today's count includes the overdue
    std::vector<BookProgress> books;   // in the library's order
    std::vector<MissedWord> missed;    // at most kMostMissed, most missed first
    std::vector<WeekTyping> typing;    // kWeeks, oldest first

    int FirstCalendarDay() const { return today - kCalendarDays + 1; }
};

// The Monday of the week of `day`.
int WeekStart(int day);

// The first learner's day on which an entry last judged on `lastDay` is due:
// its retrievability (FSRS) falls under `target`.
int DueDay(int lastDay, double stability, double target);

// The figures of the record open on `db`; nothing when it cannot be read
// (`error` then says why). An empty record gives zero figures.
std::optional<ReportFigures> ComputeFigures(sqlite3* db, const ReportInputs& inputs, std::string& error);

}  // namespace kestran::report

// A learner drilled through the record's own writer (RecordDb) for some
// weeks, every day up to yesterday: five new entries of 四级 a day as a test
// of the chapter, then a practice pass (hits and misses); older entries as a
// test of 今日复习 when the record has them due. What each judgement returned
// is counted on the side, for the report to be checked against.
#pragma once

#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "features/record/record_db.h"
#include "features/report/report_figures.h"

namespace kestran::reporttest {

inline constexpr char kDrilledBook[] = "\xE5\x9B\x9B\xE7\xBA\xA7";  // 四级
inline constexpr char kChapterList[] = "/b/\xE5\x9B\x9B\xE7\xBA\xA7-001.txt";
inline constexpr char kReviewList[] = "/x/\xE4\xBB\x8A\xE6\x97\xA5\xE5\xA4\x8D\xE4\xB9\xA0.txt";  // 今日复习.txt

struct Drilled {
    std::map<int, int> answers, reviews, rights, dueReviews, dueRights;  // by day
    std::map<int, report::WeekTyping> typing;     // by Monday
    std::vector<std::pair<std::string, int>> tests;  // list, score, in order
    std::map<std::pair<std::string, std::string>, std::pair<int, int>> misses;  // entry: count, last day
    std::vector<std::pair<std::string, std::string>> learned;
    bool ok = true;
};

inline Drilled DrillLearner(record::RecordDb& db, int firstDay, int today) {
    constexpr std::int64_t kDayMs = 86400000;
    std::mt19937 random(11);
    Drilled out;
    for (int day = firstDay; day < today; ++day) {
        std::int64_t at = day * kDayMs + 10 * 3600 * 1000LL;
        int right = 0, wrong = 0;
        auto judge = [&](const std::string& kind, const std::pair<std::string, std::string>& entry, bool ok, bool fromBook) {
            record::Event event;
            event.at = at += 5000;
            event.kind = kind;
            event.list = fromBook ? kChapterList : kReviewList;
            if (fromBook) event.book = kDrilledBook, event.chapter = 1;
            event.word = entry.first;
            event.meaning = entry.second;
            event.right = ok;
            if (kind != "miss") event.ms = static_cast<std::int64_t>(entry.first.size()) * (150 + random() % 300);
            const auto judged = db.Add(event);
            if (!judged) return void(out.ok = false);
            ++out.answers[day];
            if (judged->review && judged->card.firstDay < day) {
                ++out.reviews[day];
                out.rights[day] += judged->grade > 1;
                out.dueReviews[day] += judged->wasDue;
                out.dueRights[day] += judged->wasDue && judged->grade > 1;
            }
            if (ok && event.ms) {
                report::WeekTyping& week = out.typing[report::WeekStart(day)];
                ++week.answers;
                week.ms += *event.ms;
                week.letters += static_cast<std::int64_t>(entry.first.size());
            }
            if (!ok) out.misses[entry] = {out.misses[entry].first + 1, day};
            if (kind == "test") ok ? ++right : ++wrong;
        };
        auto test = [&](const char* list, bool fromBook) {
            if (right + wrong == 0) return;
            record::TestResult result;
            result.at = at += 5000;
            result.list = list;
            if (fromBook) result.book = kDrilledBook, result.chapter = 1;
            result.score = right * 100 / (right + wrong);
            result.right = right;
            result.wrong = wrong;
            out.ok = out.ok && db.AddTest(result);
            out.tests.emplace_back(list, result.score);
            right = wrong = 0;
        };
        for (const auto& entry : out.learned)
            if (db.CardOf(entry.first, entry.second) && random() % 3 == 0) judge("test", entry, random() % 5 != 0, false);
        test(kReviewList, false);
        const std::size_t fresh = out.learned.size();
        for (int i = 0; i < 5; ++i) {
            std::string word;  // letters only, a different word for each entry
            for (int n = day * 5 + i; n > 0; n /= 26) word += static_cast<char>('a' + n % 26);
            out.learned.emplace_back(word, "\xE8\xAF\x8D" + std::to_string(i));  // 词
            judge("test", out.learned.back(), random() % 4 != 0, true);
        }
        test(kChapterList, true);
        for (std::size_t i = fresh; i < out.learned.size(); ++i) {
            const bool hit = random() % 5 != 0;
            judge(hit ? "hit" : "miss", out.learned[i], hit, true);
        }
    }
    return out;
}

}  // namespace kestran::reporttest

// What the learner has done in the word books: which chapters are learned
// (学过: a practice pass or a test of the chapter was finished), the best
// test score of each, and the book opened last.
//
// Kept as 词库进度.txt in the learner's data folder, UTF-8 lines:
//   last\t<book folder>
//   <book folder>\t<chapter>\t<best score, or - before any test>
// Lines of any other form are kept as they are when the file is written again.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestran::wordbooks {

struct ChapterState {
    bool learned = false;
    int bestScore = -1;  // -1: no test finished
    bool operator==(const ChapterState&) const = default;
};

struct Progress {
    std::map<std::pair<std::string, int>, ChapterState> chapters;  // (book folder, chapter)
    std::string lastBook;
    std::vector<std::string> otherLines;

    ChapterState Of(const std::string& book, int chapter) const;
    // A practice pass (score -1) or a test (its score) of the chapter ended.
    void Finished(const std::string& book, int chapter, int score);
    // The first chapter of the book, from 1 on, not yet learned; 0 when all
    // `chapters` are.
    int NextChapter(const std::string& book, int chapters) const;
    int LearnedCount(const std::string& book) const;
    bool operator==(const Progress&) const = default;
};

Progress ParseProgress(std::string_view utf8);
std::string ProgressText(const Progress& progress);

}  // namespace kestran::wordbooks

#include "features/wordbooks/chapter_progress.h"

#include <algorithm>
#include <charconv>

namespace kestran::wordbooks {
namespace {

constexpr std::string_view kLast = "last";

bool Number(std::string_view text, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

// Reads one line into the progress; false when it is not a line of ours.
bool ReadLine(std::string_view line, Progress& progress) {
    const auto first = line.find('\t');
    if (first == std::string_view::npos || first == 0) return false;
    const std::string_view book = line.substr(0, first);
    std::string_view rest = line.substr(first + 1);
    if (book == kLast) {
        if (rest.empty() || rest.find('\t') != std::string_view::npos) return false;
        progress.lastBook = rest;
        return true;
    }
    const auto second = rest.find('\t');
    if (second == std::string_view::npos) return false;
    int chapter = 0, score = -1;
    if (!Number(rest.substr(0, second), chapter) || chapter < 1) return false;
    const std::string_view scoreText = rest.substr(second + 1);
    if (scoreText != "-" && (!Number(scoreText, score) || score < 0 || score > 100)) return false;
    progress.Finished(std::string(book), chapter, score);
    return true;
}

}  // namespace

ChapterState Progress::Of(const std::string& book, int chapter) const {
    const auto found = chapters.find({book, chapter});
    return found == chapters.end() ? ChapterState{} : found->second;
}

void Progress::Finished(const std::string& book, int chapter, int score) {
    ChapterState& state = chapters[{book, chapter}];
    state.learned = true;
    state.bestScore = std::max(state.bestScore, score);
}

int Progress::NextChapter(const std::string& book, int count) const {
    for (int chapter = 1; chapter <= count; ++chapter)
        if (!Of(book, chapter).learned) return chapter;
    return 0;
}

int Progress::LearnedCount(const std::string& book) const {
    int count = 0;
    for (auto it = chapters.lower_bound({book, 0}); it != chapters.end() && it->first.first == book; ++it)
        count += it->second.learned ? 1 : 0;
    return count;
}

Progress ParseProgress(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    Progress progress;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!line.empty() && !ReadLine(line, progress)) progress.otherLines.emplace_back(line);
    }
    return progress;
}

std::string ProgressText(const Progress& progress) {
    std::string text;
    for (const std::string& line : progress.otherLines) text += line + "\n";
    if (!progress.lastBook.empty()) text += std::string(kLast) + "\t" + progress.lastBook + "\n";
    for (const auto& [key, state] : progress.chapters) {
        if (!state.learned) continue;
        text += key.first + "\t" + std::to_string(key.second) + "\t" +
                (state.bestScore < 0 ? std::string("-") : std::to_string(state.bestScore)) + "\n";
    }
    return text;
}

}  // namespace kestran::wordbooks

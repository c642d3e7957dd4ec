// The word books in the source tree, read chapter by chapter the way the
// drill reads a list.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "features/wordbooks/book_list.h"
#include "tools/list_check.h"

namespace kestran::wordbooks::test {

// lists/词库 under the working folder (the tests run in the source tree).
std::filesystem::path SourceLibrary();

// A path as UTF-8 bytes, for messages.
std::string Utf8(const std::filesystem::path& path);

struct ChapterRead {
    const Book* book = nullptr;
    std::string label;  // "四级-001.txt", UTF-8, for messages
    listtool::ListCheck check;
};

// Every chapter of every book listed in books.tsv, read by the list checker
// (which reads as the loader does), one at a time.
void ForEachChapter(const std::filesystem::path& library, const std::vector<Book>& books,
                    const std::function<void(const ChapterRead&)>& visit);

}  // namespace kestran::wordbooks::test

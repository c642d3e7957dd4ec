// The list of word books, books.tsv in the library folder: UTF-8, one line
// a book in display order, <folder>\t<name>\t<chapters>\t<words>. Chapter n
// of a book is <folder>/<folder>-NNN.txt (001, 002, ...).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kestran::wordbooks {

struct Book {
    std::string folder;  // UTF-8, also the key the learner's progress is kept under
    std::string name;    // UTF-8, shown
    int chapters = 0;
    int words = 0;
    bool operator==(const Book&) const = default;
};

inline constexpr int kMaxChapters = 999;

// The books the text lists. A line that is not four fields, names a folder
// that is not a plain name, or gives no chapter is left out; so are a byte
// order mark and a line ending in CR.
std::vector<Book> ParseBooks(std::string_view utf8);

// books.tsv of the library read and parsed; none when it cannot be read.
std::vector<Book> ReadBooks(const std::filesystem::path& library);

// The file of chapter `chapter` (1-based) of the book.
std::filesystem::path ChapterFile(const std::filesystem::path& library, const Book& book, int chapter);

// The chapter number a list file is, when its name is <folder>-NNN.txt and
// it lies in a folder named <folder>; 0 otherwise.
int ChapterOf(const std::filesystem::path& file, const Book& book);

}  // namespace kestran::wordbooks

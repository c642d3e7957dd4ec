#include "features/wordbooks/book_list.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "features/wordbooks/library_folder.h"

namespace kestran::wordbooks {
namespace fs = std::filesystem;

namespace {

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const auto tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) return fields;
        line.remove_prefix(tab + 1);
    }
}

bool Number(std::string_view text, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// A folder name that stays inside the library: no separator, not . or ..
bool PlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string_view::npos;
}

fs::path Utf8Path(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

std::string ChapterName(const Book& book, int chapter) {
    char number[24];
    std::snprintf(number, sizeof number, "-%03d.txt", chapter);
    return book.folder + number;
}

}  // namespace

std::vector<Book> ParseBooks(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::vector<Book> books;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const auto fields = Fields(line);
        Book book;
        if (fields.size() != 4 || !PlainName(fields[0]) || fields[1].empty()) continue;
        if (!Number(fields[2], book.chapters) || !Number(fields[3], book.words)) continue;
        if (book.chapters < 1 || book.chapters > kMaxChapters || book.words < 0) continue;
        book.folder = fields[0];
        book.name = fields[1];
        books.push_back(std::move(book));
    }
    return books;
}

std::vector<Book> ReadBooks(const fs::path& library) {
    std::ifstream file(library / kBooksFile, std::ios::binary);
    if (!file) return {};
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return ParseBooks(text);
}

fs::path ChapterFile(const fs::path& library, const Book& book, int chapter) {
    return library / Utf8Path(book.folder) / Utf8Path(ChapterName(book, chapter));
}

int ChapterOf(const fs::path& file, const Book& book) {
    if (file.parent_path().filename() != Utf8Path(book.folder)) return 0;
    const std::u8string name = file.filename().u8string();
    const std::string prefix = book.folder + "-";
    if (name.size() != prefix.size() + 7 || name.compare(0, prefix.size(), std::u8string(prefix.begin(), prefix.end())) != 0)
        return 0;
    if (name.compare(name.size() - 4, 4, u8".txt") != 0) return 0;
    int chapter = 0;
    const std::string digits(name.begin() + prefix.size(), name.begin() + prefix.size() + 3);
    if (!Number(digits, chapter) || chapter < 1 || chapter > book.chapters) return 0;
    return chapter;
}

}  // namespace kestran::wordbooks

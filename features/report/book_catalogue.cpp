#include "features/report/book_catalogue.h"

#include <charconv>

#include "platform/user_data.h"

namespace kestran::report {
namespace {

bool ToCount(std::string_view text, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= 0;
}

}  // namespace

std::vector<BookInfo> ParseBookCatalogue(std::string_view text) {
    std::vector<BookInfo> books;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
        std::vector<std::string_view> fields;
        for (std::size_t at = 0;;) {
            const auto tab = line.find('\t', at);
            fields.push_back(line.substr(at, tab == std::string_view::npos ? std::string_view::npos : tab - at));
            if (tab == std::string_view::npos) break;
            at = tab + 1;
        }
        BookInfo book;
        if (fields.size() != 4 || fields[0].empty() || !ToCount(fields[2], book.chapters) ||
            !ToCount(fields[3], book.words))
            continue;
        book.folder = fields[0];
        book.name = fields[1].empty() ? book.folder : std::string(fields[1]);
        books.push_back(std::move(book));
    }
    return books;
}

std::vector<BookInfo> ReadBookCatalogue(const std::string& libraryFolder) {
    if (libraryFolder.empty()) return {};
    std::string bytes;
    if (plat::ReadWholeFile(plat::PathInFolder(libraryFolder, "books.tsv"), bytes) != plat::ReadResult::Read) return {};
    return ParseBookCatalogue(bytes);
}

}  // namespace kestran::report

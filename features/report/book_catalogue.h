// The word books the learner can choose, as the library's books.tsv lists
// them: one line a book, in display order,
//   <folder>\t<Chinese name>\t<chapters>\t<words>   (UTF-8)
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestran::report {

struct BookInfo {
    std::string folder;  // also what the record keeps in events.book
    std::string name;
    int chapters = 0;
    int words = 0;
};

// The books of a books.tsv text; lines that do not have the four fields,
// or whose counts are not numbers, are left out.
std::vector<BookInfo> ParseBookCatalogue(std::string_view text);

// The books of `<libraryFolder>/books.tsv` (a path in the platform's
// form); none when there is no such file.
std::vector<BookInfo> ReadBookCatalogue(const std::string& libraryFolder);

}  // namespace kestran::report

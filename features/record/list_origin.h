// Where a list came from, for the record: its path, and for a chapter of a
// word book (<book>/<book>-NNN.txt, as the 词库 keeps them) the book's
// folder name and the chapter's number.
#pragma once

#include <optional>
#include <string>

namespace kestran::record {

struct ListOrigin {
    std::string path;  // UTF-8
    std::optional<std::string> book;
    std::optional<int> chapter;
};

ListOrigin OriginOf(const std::string& utf8Path);

}  // namespace kestran::record

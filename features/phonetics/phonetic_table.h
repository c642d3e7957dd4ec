// The phonetic table of the word books: UTF-8 lines "word\tIPA", one a
// word, as lists/词库/phonetics.tsv holds them. Read once; a lookup is a
// binary search and allocates nothing, so a frame or a word may ask.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestran::phonetics {

class PhoneticTable {
public:
    PhoneticTable() = default;
    // Lines without a tab or with an empty side are skipped; a word given
    // twice keeps its first transcription. "\r\n" line ends are read too.
    static PhoneticTable Parse(std::string_view utf8);

    // The transcription of the word as written; failing that, of the word
    // in lower case (a list may capitalise a word the table keeps lower).
    // Empty when the table does not have it. The view lives as the table does.
    std::string_view Find(std::string_view word) const;
    std::size_t Size() const { return entries_.size(); }

private:
    std::string_view FindExactly(std::string_view word) const;
    std::vector<std::pair<std::string, std::string>> entries_;  // sorted by word
};

}  // namespace kestran::phonetics

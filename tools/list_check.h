// Reads a list exactly as the drill does and explains the lines whose result
// would surprise the list's author.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "wordlist/word_list_parser.h"
#include "wordlist/word_table_blocks.h"

namespace kestran::listtool {

// One entry as the parser read it (a copy of its trace).
struct EntryRead {
    NumberScan number;
    std::int64_t wordLine = 0;
    std::string rawWord;
    WordEnd wordEnd = WordEnd::kMeaningByte;
    std::int64_t meaningLine = 0;
    std::string rawMeaning;
    MeaningEnd meaningEnd = MeaningEnd::kNotRead;
    std::int64_t endLine = 0;
};

// line 0: about the whole file.
struct ListNote {
    std::int64_t line = 0;
    std::string text;
};

struct ListCheck {
    ParseResult parse;
    WordListBlocks blocks;
    std::vector<EntryRead> entries;
    std::vector<ListNote> notes;  // in line order, file notes first
};

// `raw` is the file's content; `path` is used only in the advice printed.
ListCheck CheckList(std::string_view raw, const std::string& path);

// Bytes for a note: UTF-8 text in quotes, control bytes escaped.
std::string Quoted(std::string_view gbk);

}  // namespace kestran::listtool

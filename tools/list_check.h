// Reads a list exactly as the drill does and explains the lines whose result
// would surprise the list's author.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "wordlist/list_encoding.h"
#include "wordlist/word_list_parser.h"
#include "wordlist/word_table_blocks.h"

namespace kestran::listtool {

// One entry as the parser read it: what the notes need of its trace, not
// its text, so that a large list is not held twice.
struct EntryRead {
    NumberScan number;
    std::int64_t wordLine = 0;
    WordEnd wordEnd = WordEnd::kMeaningByte;
    bool wordGlued = false;        // the word part starts right after the number
    bool wordOnlySpaces = true;    // nothing but spaces before the meaning
    bool wordHasLineFeed = false;  // the word part runs over line ends
    std::int64_t wordNulLine = 0;  // line of a NUL byte in the word part; 0: none
    std::int64_t meaningLine = 0;
    MeaningEnd meaningEnd = MeaningEnd::kNotRead;
    bool meaningHasNul = false;
    std::int64_t endLine = 0;
};

// line 0: about the whole file; kAfterAllLines: a count of notes not listed.
struct ListNote {
    static constexpr std::int64_t kAfterAllLines = INT64_MAX;
    std::int64_t line = 0;
    std::string text;
};

struct ListCheck {
    ListEncoding encoding = ListEncoding::kGbk;
    ParseResult parse;
    WordListBlocks blocks;
    std::vector<EntryRead> entries;
    std::vector<ListNote> notes;  // file notes first, then in line order
};

// `bytes` is the file's content and is used up: converted to GBK as the
// loader converts it, then turned into the text the loader reads. `path` is
// used only in the advice printed.
ListCheck CheckList(std::string& bytes, const std::string& path);

// Bytes for a note: UTF-8 text in quotes, control bytes escaped.
std::string Quoted(std::string_view gbk);

// Notes of one kind beyond this many are counted, not listed.
inline constexpr std::size_t kMaxNotesOfAKind = 10;

}  // namespace kestran::listtool

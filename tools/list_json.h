// The word table as JSON, for scripts and tests.
#pragma once

#include <string>
#include <string_view>

#include "wordlist/word_table_blocks.h"

namespace kestran::listtool {

// {"wordCount": N, "records": [{"word", "meaning", "wordHex", "meaningHex"}]}
// in table order: the texts decoded from GBK to UTF-8 (U+FFFD where a byte
// does not decode), the hex fields the stored bytes before the NUL.
std::string WordListJson(const WordListBlocks& blocks);

// A JSON string literal of UTF-8 text.
std::string JsonString(std::string_view utf8);

}  // namespace kestran::listtool

// The word table as JSON, for scripts and tests.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "wordlist/word_table_blocks.h"

namespace kestran::listtool {

// {"encoding": E, "wordCount": N, "records": [{"word", "meaning", "wordHex",
// "meaningHex"}]} in table order: E the encoding the file was read in, the
// texts decoded from GBK to UTF-8 (U+FFFD where a byte does not decode), the
// hex fields the stored bytes before the NUL. Written record by record.
void WriteWordListJson(std::ostream& out, const WordListBlocks& blocks, std::string_view encoding);

// A JSON string literal of UTF-8 text.
std::string JsonString(std::string_view utf8);

}  // namespace kestran::listtool

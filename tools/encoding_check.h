// What the checker says about encodings the drill does not read: UTF-16
// without a byte order mark (found by EncodingSniffer), and bytes that are
// not GBK at all.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "wordlist/list_encoding.h"

namespace kestran::listtool {

// A shell command that writes a UTF-8 copy of `path`, which the drill reads.
std::string ConversionCommand(UnmarkedUtf16 encoding, const std::string& path);

// Offset of the first byte in `text` that does not start or continue a
// valid GBK character, or npos. A lead byte 0x81-0xFE takes a trail byte
// 0x40-0x7E or 0x80-0xFE; bytes below 0x80 stand alone.
std::size_t FirstInvalidGbk(std::string_view text);

}  // namespace kestran::listtool

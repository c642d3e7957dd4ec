// Recognising list files saved in an encoding other than GBK, and bytes
// that are not GBK at all.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestran::listtool {

enum class ForeignEncoding { kNone, kUtf8, kUtf8WithBom, kUtf16WithBom, kUtf16LE, kUtf16BE };

// What the raw file bytes look like. UTF-8 is recognised by a byte order
// mark or by being valid UTF-8 with at least one multi-byte character (GBK
// Chinese text is practically never valid UTF-8); UTF-16 by a byte order
// mark or by NUL bytes in every other position.
ForeignEncoding DetectForeignEncoding(std::string_view raw);

// "UTF-8", "UTF-16", ...
const char* EncodingName(ForeignEncoding encoding);

// A shell command that writes a GBK copy of `path`.
std::string ConversionCommand(ForeignEncoding encoding, const std::string& path);

// Offset of the first byte in `text` that does not start or continue a
// valid GBK character, or npos. A lead byte 0x81-0xFE takes a trail byte
// 0x40-0x7E or 0x80-0xFE; bytes below 0x80 stand alone.
std::size_t FirstInvalidGbk(std::string_view text);

}  // namespace kestran::listtool

// Lists as today's editors save them. A list saved as UTF-8 (with or without
// a byte order mark) or as UTF-16 with a byte order mark is converted to GBK
// once, when it is opened, so that the parser and everything after it see
// the same bytes as for the same list saved in GBK.
//
// Telling GBK from UTF-8 without a mark: GBK Chinese text is seldom valid
// UTF-8, but short lines can be (苹 is C6 BB, a valid two-byte sequence). A
// file is read as UTF-8 only when all of it is well-formed UTF-8 with at
// least one character beyond ASCII, and either
//   - it is not valid GBK, or
//   - every line that holds a byte of 0x80 or above holds a Chinese
//     character when read as UTF-8 (GBK text read as UTF-8 gives Latin,
//     Greek or Cyrillic letters instead).
// Everything else is GBK and loads byte for byte as it always did.
//
// The drill and the list checker both decide through EncodingSniffer, so a
// byte order mark is always looked at before any guess about the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kestran {

enum class ListEncoding { kGbk, kUtf8, kUtf8WithBom, kUtf16LE, kUtf16BE };

// UTF-16 saved without a byte order mark, which the drill reads as GBK bytes
// and finds no entries in; the checker tells how to convert it.
enum class UnmarkedUtf16 { kNone, kLittleEndian, kBigEndian };

// "GBK", "UTF-8", "UTF-8 with BOM", "UTF-16LE", "UTF-16BE".
const char* ListEncodingName(ListEncoding encoding);

// Decides the encoding from the raw file bytes, fed in order in pieces of
// any size.
class EncodingSniffer {
public:
    // False once more bytes cannot change the answer.
    bool Feed(std::string_view bytes);
    // The answer for the bytes fed so far, taken as the whole file.
    ListEncoding Result() const;
    // Read as GBK although well-formed UTF-8: the first line (1-based) whose
    // bytes of 0x80 or above hold no Chinese character as UTF-8; 0 if none.
    std::int64_t Utf8LineWithoutChinese() const;
    // All bytes fed so far are well-formed UTF-8 with one character or more
    // beyond ASCII (whatever the answer).
    bool WellFormedUtf8() const { return utf8Ok_ && need_ == 0 && beyondAscii_; }
    // Read as GBK, but the first bytes have a NUL in every other position,
    // as English in UTF-16 without a mark has. kNone whenever Result() is
    // not GBK: a marked file is read by its mark, however many NULs it has.
    UnmarkedUtf16 UnmarkedUtf16Guess() const;

private:
    void EndLine();
    void EndCharacter(std::uint32_t codePoint);

    std::string head_;   // the first bytes, for the byte order mark
    std::string start_;  // the first few kilobytes, for the NUL count
    bool decided_ = false;
    // UTF-8 reading: a sequence under way needs `need_` more bytes, the next
    // one within [low_, high_].
    bool utf8Ok_ = true;
    bool beyondAscii_ = false;
    int need_ = 0;
    std::uint32_t codePoint_ = 0;
    unsigned char low_ = 0x80, high_ = 0xBF;
    // GBK reading: a lead byte waits for its trail byte.
    bool gbkOk_ = true;
    bool gbkLead_ = false;
    // Lines.
    std::int64_t line_ = 1;
    bool lineHighByte_ = false;
    bool lineChinese_ = false;
    std::int64_t utf8LineWithoutChinese_ = 0;
};

ListEncoding DetectListEncoding(std::string_view raw);

// Called for the characters that became "?" because GBK lacks them (or, in
// a file with a byte order mark, bytes that were not UTF-8 or UTF-16):
// `line` is 1-based, `count` how many on that piece of the line. A line may
// be reported in more than one call.
using LossReport = std::function<void(std::int64_t line, std::int64_t count)>;

// Converts `text`, the whole file as saved in `encoding`, to GBK in place:
// the mark goes, characters GBK lacks become "?". The GBK form is never
// longer, so no second copy of the file is held. `chunkBytes` sets how much
// is converted at a time.
void ConvertToGbkInPlace(std::string& text, ListEncoding encoding, const LossReport& onLoss = {},
                         std::size_t chunkBytes = 64 * 1024);

// UTF-16 code units to UTF-8; an unpaired surrogate or an odd last byte
// becomes U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian);

}  // namespace kestran

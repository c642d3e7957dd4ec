// Turns a list file into word records. The open button's loader, the list
// checker, the fuzz target and the benchmark all run this same code.
//
// A list is one entry per line: an optional number, the English word, then
// the Chinese meaning from its first byte of 0x80 or above up to the end of
// the line. Lines without such a byte are not entries; their text and line
// break run on into the word of the next entry.
#pragma once

#include <cstdint>
#include <string_view>

#include "wordlist/text_stream.h"
#include "wordlist/word_record.h"
#include "wordlist/word_table_blocks.h"

namespace kestran {

// Longest word or meaning kept whole: the 128-byte field minus its NUL,
// minus one more byte, because a field is read into a 128-byte work buffer
// and 127 bytes without an end mean "too long".
inline constexpr int kMaxFieldBytes = 126;

struct CountResult {
    std::int64_t entryLines = 0;  // lines holding a byte of 0x80 or above
    bool stoppedAtFF = false;     // a 0xFF byte ended the count
    std::int64_t stopLine = 0;    // line of that byte
};

// The count pass: from the start, counts the lines that hold a byte of 0x80
// or above, stopping at the end of the file or at the first 0xFF byte.
// Leaves the stream rewound.
CountResult CountEntryLines(TextStream& stream);

// How the reading of one entry went, for tools that explain a list.
enum class WordEnd { kMeaningByte, kTooLong, kEndOfFile };
enum class MeaningEnd { kLineFeed, kEndOfFile, kByteFF, kTooLong, kNotRead };

struct EntryTrace {
    std::int32_t index = 0;
    NumberScan number;                // what the optional number field consumed
    std::int64_t wordLine = 0;        // line of the word part's first byte
    std::string_view word;            // word part as read, before trimming
    WordEnd wordEnd = WordEnd::kMeaningByte;
    std::int64_t meaningLine = 0;     // line of the meaning's first byte
    std::string_view meaning;         // meaning as read
    MeaningEnd meaningEnd = MeaningEnd::kNotRead;
    std::int64_t endLine = 0;         // line where the next entry starts
};

class EntryObserver {
public:
    virtual ~EntryObserver() = default;
    // After each entry is stored, before trimming.
    virtual void OnEntry(const EntryTrace& trace) = 0;
};

// Reads `count` entries from the stream's position into records 0 to
// count - 1 of `table`. Every record gets both fields NUL-terminated:
//   - a word part of 127 bytes or more without a byte of 0x80 or above
//     keeps its first 126 bytes and gets an empty meaning; the next entry
//     starts right after those 127 bytes;
//   - a meaning of 127 bytes or more without an LF keeps its first 126
//     bytes, shortened by one more byte when the last one would be the lead
//     byte of a cut character; the next entry starts in the same line;
//   - the end of the file inside a word part (reachable only after one of
//     the two cases above shifted the reading) keeps the word read so far
//     with an empty meaning; any later records get two empty fields.
void ReadEntries(TextStream& stream, WordRecord* table, std::int32_t count, EntryObserver* observer = nullptr);

// Both trimming passes over records 0 to count - 1: leading, then trailing
// spaces (0x20 only) leave the word; the meaning is never trimmed.
void TrimWords(WordRecord* table, std::int32_t count);

// Count pass, blocks, entry reading and trimming, from the stream's start.
// When the blocks cannot be obtained, `loaded` is false, `out` stays empty
// and the stream is left rewound.
struct ParseResult {
    bool loaded = false;
    CountResult count;
};
ParseResult ParseWordList(TextStream& stream, WordListBlocks& out, EntryObserver* observer = nullptr);

}  // namespace kestran

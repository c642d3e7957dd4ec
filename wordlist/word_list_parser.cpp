#include "wordlist/word_list_parser.h"

#include <cstring>

namespace kestran {
namespace {

// A work buffer holds one field being read: up to 127 bytes and a NUL.
constexpr int kWorkBytes = 128;
constexpr int kReadLimit = kWorkBytes - 1;

bool IsHighByte(int c) { return c >= 0x80; }

// Copies `length` bytes and a NUL into a record field (length <= 126).
void StoreField(char (&field)[kWordFieldSize], const char* bytes, int length) {
    std::memcpy(field, bytes, static_cast<std::size_t>(length));
    field[length] = '\0';
}

// Where to cut a too-long meaning so that it does not end in the lead byte
// of a two-byte character.
int WholeCharacterPrefix(const char* bytes, int limit) {
    int at = 0;
    while (at < limit) {
        auto b = static_cast<unsigned char>(bytes[at]);
        int step = (b >= 0x81 && b <= 0xFE) ? 2 : 1;
        if (at + step > limit) break;
        at += step;
    }
    return at;
}

}  // namespace

CountResult CountEntryLines(TextStream& stream) {
    CountResult result;
    bool lineCounted = false;
    for (;;) {
        int c = stream.Get();
        if (c == kEndOfStream) break;
        if (c == 0xFF) {
            result.stoppedAtFF = true;
            result.stopLine = stream.Line();
            break;
        }
        if (c == '\n') lineCounted = false;
        if (IsHighByte(c) && !lineCounted) {
            ++result.entryLines;
            lineCounted = true;
        }
    }
    stream.Rewind();
    return result;
}

void ReadEntries(TextStream& stream, WordRecord* table, std::int32_t count, EntryObserver* observer) {
    char word[kWorkBytes];
    char meaning[kWorkBytes];
    for (std::int32_t i = 0; i < count; ++i) {
        WordRecord& record = table[i];
        EntryTrace trace;
        trace.index = i;
        stream.ScanNumber(observer ? &trace.number : nullptr);
        trace.wordLine = stream.Line();

        // Word part: every byte below 0x80, up to the first one above.
        int j = 0;
        trace.wordEnd = WordEnd::kTooLong;
        for (; j < kReadLimit; ++j) {
            int c = stream.Get();
            if (c == kEndOfStream) {
                trace.wordEnd = WordEnd::kEndOfFile;
                break;
            }
            if (IsHighByte(c)) {
                stream.StepBack();  // the meaning starts with this byte
                trace.wordEnd = WordEnd::kMeaningByte;
                break;
            }
            word[j] = static_cast<char>(c);
        }
        trace.word = std::string_view(word, static_cast<std::size_t>(j));
        // A word too long for its field keeps what fits; its meaning is
        // lost, since the reading stopped before it.
        StoreField(record.word, word, j < kReadLimit ? j : kMaxFieldBytes);

        int k = 0;
        trace.meaningLine = stream.Line();
        if (trace.wordEnd != WordEnd::kMeaningByte) {
            record.meaning[0] = '\0';
        } else {
            // Meaning part: up to the LF, the end of the file or a 0xFF byte.
            trace.meaningEnd = MeaningEnd::kTooLong;
            for (; k < kReadLimit; ++k) {
                int c = stream.Get();
                if (c == kEndOfStream || c == 0xFF) {
                    trace.meaningEnd = c == 0xFF ? MeaningEnd::kByteFF : MeaningEnd::kEndOfFile;
                    break;
                }
                stream.StepBack();
                c = stream.Get();
                if (c == '\n') {
                    trace.meaningEnd = MeaningEnd::kLineFeed;
                    break;
                }
                meaning[k] = static_cast<char>(c);
            }
            StoreField(record.meaning, meaning, k < kReadLimit ? k : WholeCharacterPrefix(meaning, kMaxFieldBytes));
        }
        trace.meaning = std::string_view(meaning, static_cast<std::size_t>(k));
        trace.endLine = stream.Line();
        if (observer) observer->OnEntry(trace);
    }
}

void TrimWords(WordRecord* table, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) {
        char* word = table[i].word;
        std::size_t lead = 0;
        while (word[lead] == ' ') ++lead;
        if (lead > 0) std::memmove(word, word + lead, std::strlen(word + lead) + 1);
    }
    for (std::int32_t i = 0; i < count; ++i) {
        char* word = table[i].word;
        for (std::size_t end = std::strlen(word); end > 0 && word[end - 1] == ' '; --end) word[end - 1] = '\0';
    }
}

ParseResult ParseWordList(TextStream& stream, WordListBlocks& out, EntryObserver* observer) {
    ParseResult result;
    out = WordListBlocks{};
    stream.Rewind();
    result.count = CountEntryLines(stream);
    WordListBlocks blocks = AllocateWordListBlocks(result.count.entryLines);
    if (!blocks) return result;
    ReadEntries(stream, blocks.table.get(), blocks.wordCount, observer);
    TrimWords(blocks.table.get(), blocks.wordCount);
    out = std::move(blocks);
    result.loaded = true;
    return result;
}

}  // namespace kestran

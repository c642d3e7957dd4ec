#include "features/wordbook/book_format.h"

#include <algorithm>
#include <cstring>

#include "wordlist/list_encoding.h"
#include "wordlist/text_stream.h"
#include "wordlist/word_list_parser.h"

namespace kestran::wordbook {
namespace {

constexpr char kGbkMark = '\xff';

bool High(char c) { return static_cast<unsigned char>(c) >= 0x80; }

bool ScanSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool DigitOrSign(char c) { return (c >= '0' && c <= '9') || c == '+' || c == '-'; }

// What goes before the word so the loader's "%d" read takes nothing of it.
std::string NumberBefore(const std::string& word, int number) {
    // The read stops at white space.
    if (!word.empty() && ScanSpace(word[0])) return std::to_string(number);
    if (!word.empty() && !DigitOrSign(word[0])) return {};
    // An empty word, or one starting with a digit or a sign: the space after
    // the number ends the read and is trimmed off the word again.
    if (word.size() < static_cast<std::size_t>(kMaxFieldBytes)) return std::to_string(number) + " ";
    // No room for the space: only a word starting with a sign is this long
    // (the loader took a sign before it). The read takes this sign and stops
    // at the word's own.
    return "+";
}

// Notes whether every entry read ended where an entry line ends.
class CleanReading final : public EntryObserver {
public:
    bool clean = true;
    void OnEntry(const EntryTrace& trace) override {
        if (trace.wordEnd != WordEnd::kMeaningByte) clean = false;
        if (trace.meaningEnd != MeaningEnd::kLineFeed && trace.meaningEnd != MeaningEnd::kEndOfFile) clean = false;
    }
};

std::string Field(const char* field) { return std::string(field, strnlen(field, kWordFieldSize)); }

}  // namespace

BookEntry EntryOf(const WordRecord& record) { return BookEntry{Field(record.word), Field(record.meaning)}; }

bool Storable(const BookEntry& e) {
    if (e.word.size() > static_cast<std::size_t>(kMaxFieldBytes)) return false;
    if (e.meaning.empty() || e.meaning.size() > static_cast<std::size_t>(kMaxFieldBytes) || !High(e.meaning[0]))
        return false;
    // The loader never keeps a space at either end of a word, a NUL or the
    // end-of-file byte 0x1A.
    if (!e.word.empty() && (e.word.front() == ' ' || e.word.back() == ' ')) return false;
    for (const char c : e.word)
        if (High(c) || c == '\0' || c == '\x1a') return false;
    for (const char c : e.meaning)
        if (c == '\n' || c == '\0' || c == '\x1a' || c == '\xff') return false;
    return true;
}

std::string BookLines(const std::vector<BookEntry>& entries, int firstNumber) {
    std::string text;
    int number = firstNumber - 1;
    for (const BookEntry& e : entries) {
        if (!Storable(e)) continue;
        ++number;
        const std::string prefix = NumberBefore(e.word, number);
        text += prefix;
        // A line end inside a word is written as CR LF like every other:
        // read back it is the LF again, and a CR before it stays a CR.
        for (const char c : e.word) text += c == '\n' ? "\r\n" : std::string(1, c);
        // The space before the meaning is part of the word as the loader
        // reads it (and trimmed), so it goes only where the word leaves room.
        const std::size_t wordPart = (prefix.empty() || prefix.back() != ' ' ? 0 : 1) + e.word.size();
        if (wordPart < static_cast<std::size_t>(kMaxFieldBytes)) text += " ";
        text += e.meaning + "\r\n";
    }
    return text;
}

bool AppendKeepsGbk(std::string_view lines) {
    // A book read as GBK stays GBK with anything after it that is not
    // well-formed UTF-8: the whole is then no UTF-8 either.
    EncodingSniffer sniffer;
    sniffer.Feed(lines);
    return !lines.empty() && !sniffer.WellFormedUtf8() && sniffer.Result() == ListEncoding::kGbk;
}

std::string BookText(const std::vector<BookEntry>& entries) {
    std::string text = BookLines(entries, 1);
    // The loader tells a list's encoding from its bytes, and GBK entries
    // that happen to be well-formed UTF-8 would be read as UTF-8. A 0xFF
    // byte after the last line, never part of UTF-8, keeps them GBK; the
    // loader stops reading there.
    if (DetectListEncoding(text) != ListEncoding::kGbk) text += kGbkMark;
    return text;
}

BookContents ReadBookText(std::string bytes) {
    BookContents contents;
    // The mark BookText may end a book with.
    const bool markOnly = bytes.size() >= 2 && bytes.back() == kGbkMark && bytes[bytes.size() - 2] == '\n' &&
                          std::count(bytes.begin(), bytes.end(), kGbkMark) == 1;
    // A book saved by an editor as UTF-8 or UTF-16 is read as the open
    // button reads such a list; rewritten, it becomes GBK again.
    EncodingSniffer sniffer;
    sniffer.Feed(bytes);
    const ListEncoding encoding = sniffer.Result();
    if (encoding != ListEncoding::kGbk) {
        contents.clean = false;
        ConvertToGbkInPlace(bytes, encoding);
    }
    // The loader reads no further than a 0x1A byte, and no entry holds one.
    if (bytes.find('\x1a') != std::string::npos) contents.clean = false;
    auto stream = TextStream::FromOwnedBytes(std::move(bytes));
    WordListBlocks blocks;
    CleanReading reading;
    const ParseResult parsed = ParseWordList(*stream, blocks, &reading);
    if (!parsed.loaded) {
        contents.clean = false;
        return contents;
    }
    if ((parsed.count.stoppedAtFF && !markOnly) || !reading.clean) contents.clean = false;
    // Text after the last entry (a word typed without its meaning) is read
    // by nobody: a rewrite would lose it.
    for (int c = stream->Get(); c != kEndOfStream; c = stream->Get())
        if (!ScanSpace(static_cast<char>(c)) && !(markOnly && c == 0xFF)) contents.clean = false;
    for (std::int32_t i = 0; i < blocks.wordCount; ++i) contents.entries.push_back(EntryOf(blocks.table[i]));
    return contents;
}

}  // namespace kestran::wordbook

// The wrong-word book as a file: an ordinary GBK word list, one entry a
// line, that the open button, any text editor and kestran-list all read.
// Written so that the list loader gives back exactly the entries written.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "wordlist/word_record.h"

namespace kestran::wordbook {

struct BookEntry {
    std::string word;     // ASCII as the loader keeps it (no byte of 0x80 or above)
    std::string meaning;  // GBK, starting with a byte of 0x80 or above
    bool operator==(const BookEntry&) const = default;
};

BookEntry EntryOf(const WordRecord& record);

// Whether the entry can stand in a list and be read back the same: what
// the loader itself produces from an entry line always can. An entry with
// an empty meaning (only the last line of a list, cut by a 0xFF byte, gives
// one) cannot: it is left out of the book.
bool Storable(const BookEntry& entry);

// The file's bytes: "word meaning" lines ended by CR LF, so a Windows
// editor shows them as lines and a CR that ends a meaning survives. A word
// the loader's number field would eat (empty, or starting with white space,
// a digit or a sign) gets its entry number in front, which the loader
// skips; a word too long for the space before the meaning goes without it.
// Entries that are not Storable are left out. Entries that would read as
// UTF-8 are followed by a 0xFF byte after the last line, which keeps the
// loader reading them as GBK.
std::string BookText(const std::vector<BookEntry>& entries);
// The entry lines of BookText alone (no 0xFF mark), numbering from
// `firstNumber`: what goes after the last line of a book to add entries.
std::string BookLines(const std::vector<BookEntry>& entries, int firstNumber);
// Whether a book read as GBK and ended by a line end, with these lines
// added, is still read as GBK (else it must be written whole, with the mark).
bool AppendKeepsGbk(std::string_view lines);

struct BookContents {
    std::vector<BookEntry> entries;
    // Every line read as an entry of its own, and nothing of the file left
    // unread or reread: false for a book broken by hand (an overlong line,
    // a 0xFF byte, a 0x1A byte, text in another encoding than GBK, a last
    // line without a meaning).
    bool clean = true;
};

// The entries the list loader reads from these bytes, in file order.
BookContents ReadBookText(std::string bytes);

}  // namespace kestran::wordbook

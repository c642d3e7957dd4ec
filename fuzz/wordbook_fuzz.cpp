// libFuzzer target over the wrong-word book's file format. For any bytes
// read as a list, every entry the loader gives either can be stored (or has
// no meaning, which only a cut-off last line gives), and the storable ones,
// written as a book and read back, are the same entries, read cleanly.
#include <cstdint>
#include <string>
#include <vector>

#include "features/wordbook/book_format.h"
#include "fuzz/fuzz_check.h"

using kestran::wordbook::BookContents;
using kestran::wordbook::BookEntry;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const BookContents read = kestran::wordbook::ReadBookText(std::string(reinterpret_cast<const char*>(data), size));
    std::vector<BookEntry> storable;
    for (const BookEntry& entry : read.entries) {
        CHECK(kestran::wordbook::Storable(entry) || entry.meaning.empty());
        if (kestran::wordbook::Storable(entry)) storable.push_back(entry);
    }
    const BookContents again = kestran::wordbook::ReadBookText(kestran::wordbook::BookText(storable));
    CHECK(again.entries == storable);
    CHECK(again.clean);
    return 0;
}

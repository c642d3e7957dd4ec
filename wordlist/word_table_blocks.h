// The two heap blocks a loaded list lives in: the word table and the
// drawn-index slots of the random passes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "wordlist/word_record.h"

namespace kestran {

struct WordListBlocks {
    std::unique_ptr<WordRecord[]> table;          // wordCount + 3 records
    std::unique_ptr<std::int32_t[]> drawnIndices;  // wordCount + 3 slots
    std::int32_t wordCount = 0;

    explicit operator bool() const { return table && drawnIndices; }
};

// The largest count whose blocks can be asked for: wordCount is a signed
// 32-bit field, and the two blocks' byte size must fit in a size_t.
inline constexpr std::int64_t kMaxWordCount = []() {
    std::int64_t byInt = INT32_MAX - kSpareRecords;
    std::uint64_t bySize = SIZE_MAX / (sizeof(WordRecord) + sizeof(std::int32_t)) - kSpareRecords;
    return bySize < static_cast<std::uint64_t>(byInt) ? static_cast<std::int64_t>(bySize) : byInt;
}();

// Obtains both blocks for `wordCount` entries, or neither: an empty result
// when the count is negative or above kMaxWordCount, or the heap refuses.
// The three spare records are cleared to empty texts and every drawn-index
// slot holds -1 ("no entry"), so an index that names a spare record or a
// slot not yet filled reads something defined. Records 0 to wordCount - 1
// are left for the reader to fill.
WordListBlocks AllocateWordListBlocks(std::int64_t wordCount);

// Tests: refuse any request above `bytes` for the two blocks together, as
// a heap that has run out would. SIZE_MAX (the default) sets no limit.
void SetWordListHeapLimitForTest(std::size_t bytes);

}  // namespace kestran

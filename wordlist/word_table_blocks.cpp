#include "wordlist/word_table_blocks.h"

#include <algorithm>
#include <atomic>
#include <new>

namespace kestran {
namespace {

std::atomic<std::size_t> heapLimit{SIZE_MAX};

}  // namespace

void SetWordListHeapLimitForTest(std::size_t bytes) { heapLimit = bytes; }

WordListBlocks AllocateWordListBlocks(std::int64_t wordCount) {
    if (wordCount < 0 || wordCount > kMaxWordCount) return {};
    const auto slots = static_cast<std::size_t>(wordCount) + kSpareRecords;
    const std::size_t bytes = slots * (sizeof(WordRecord) + sizeof(std::int32_t));
    if (bytes > heapLimit.load()) return {};

    WordListBlocks blocks;
    blocks.table.reset(new (std::nothrow) WordRecord[slots]);
    blocks.drawnIndices.reset(new (std::nothrow) std::int32_t[slots]);
    if (!blocks) return {};
    blocks.wordCount = static_cast<std::int32_t>(wordCount);
    for (std::size_t i = static_cast<std::size_t>(wordCount); i < slots; ++i) blocks.table[i] = WordRecord{};
    std::fill_n(blocks.drawnIndices.get(), slots, -1);
    return blocks;
}

}  // namespace kestran

// One entry of a word list as the drill stores it.
#pragma once

#include <cstddef>

namespace kestran {

inline constexpr std::size_t kWordFieldSize = 128;

// 256 bytes: the English word, NUL-terminated, then the GBK meaning.
struct WordRecord {
    char word[kWordFieldSize];
    char meaning[kWordFieldSize];
};
static_assert(sizeof(WordRecord) == 256);

// The table holds wordCount records and three spare ones after them.
inline constexpr int kSpareRecords = 3;

}  // namespace kestran

#include "drill/current_entry.h"

#include "drill/drill_state.h"

namespace kestran {

const WordRecord* CurrentEntry(int index) {
    if (drill.listLoaded != 1) return nullptr;
    const WordRecord* table = drill.WordTable;
    if (!table || index < 0 || index >= drill.wordCount) return nullptr;
    return &table[index];
}

bool TypedMatches(const WordRecord& entry, const char* typed) {
    if (!typed) return false;
    for (std::size_t i = 0; i < kWordFieldSize; ++i) {
        if (entry.word[i] != typed[i]) return false;
        if (entry.word[i] == '\0') return true;
    }
    return false;
}

}  // namespace kestran

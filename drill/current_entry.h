// The entry the drill is on, looked up only while it exists.
#pragma once

#include "wordlist/word_record.h"

namespace kestran {

// Record `index` of the loaded list, or null when no list is loaded or the
// index names no entry (an empty list; the moment after a hit on the last
// word). The spare records after the list are never handed out.
const WordRecord* CurrentEntry(int index);

// Byte-for-byte equality of the entry's English word and the typed text,
// terminating NULs included: case and spaces count. A word that fills its
// whole field without a NUL matches nothing.
bool TypedMatches(const WordRecord& entry, const char* typed);

}  // namespace kestran

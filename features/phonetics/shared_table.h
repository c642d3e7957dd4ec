// The program's one phonetic table, read from the word books' folder on a
// thread of its own the first time a feature asks, so no drill thread ever
// reads the file. Never freed: views into it stay valid.
#pragma once

#include <filesystem>
#include <string_view>

#include "features/phonetics/phonetic_table.h"

namespace kestran::phonetics {

// Starts reading the table, once; returns at once.
void LoadInBackground();
// The table once read, else null (also while it is being read). Never waits.
const PhoneticTable* TableIfLoaded();
// The table, reading it first if needed: only for a feature's own thread.
// Empty when the file is missing or unreadable (said once on stderr).
const PhoneticTable& Table();

// Where the table is: asked on the reading thread, as finding it may look
// through folders. Set once at start-up, before anything asks for the table;
// without it there is no table.
void SetTableFinder(std::filesystem::path (*finder)());

// The next read takes this file instead, and the table read so far is
// forgotten. Tests only.
void UseTableFileForTest(const std::filesystem::path& file);

}  // namespace kestran::phonetics

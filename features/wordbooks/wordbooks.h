// 词库, the word books: a chooser of book and chapter, reached by the
// canvas menu's item 词库 and by F7, that opens the chapter through the
// ordinary loader; and the learner's progress in each book (学过 when a
// practice pass or a test of the chapter ended, the best test score),
// kept in the data folder (see progress_store.h).
//
// The chooser is a popup menu of the platform, one step at a time: the
// books (with 继续学习 for the book opened last), then the book's chapters
// or groups of chapters, then the group's chapters. Esc at any step closes
// it and nothing changes.
#pragma once

#include <filesystem>

#include "features/wordbooks/chooser_menus.h"

namespace kestran::wordbooks {

// Sets the hooks and adds the menu item. Once, at start-up.
void Install();

// Shows the chooser and opens the chapter chosen. UiThread only.
void OpenChooser();

// Where another feature adds its text to the books' and chapters' lines
// (e.g. the study record's new / learning / due / known). Set at start-up,
// before the threads run; called on UiThread while the chooser is built,
// so it must answer from what it knows in memory.
void SetExtraText(ExtraText extra);

// The progress as this process knows it now.
Progress KnownProgress();
// Returns once every change to the progress asked for so far is written.
void WaitForProgressWrites();

// Tests: reads the books of this library (instead of the one found) and the
// progress file anew, and waits until both are known.
void UseLibraryForTest(const std::filesystem::path& library);

}  // namespace kestran::wordbooks

// Opening a word list: the open-file dialog, parsing, the word table.
#pragma once

#include "platform/platform.h"
#include "wordlist/word_table_blocks.h"

namespace kestran {

// The open-file request of the open button; lives for the whole process.
extern plat::OpenFileRequest listOpenRequest;
// Assigns the request's fields (owner MainDialog, filter, listPath, ...);
// with clearFirst the whole record is zeroed before.
void PrepareListOpenRequest(bool clearFirst);

// The open button's action.
//
// What the rest of the drill can rely on after a successful load:
//   - WordTable has wordCount + 3 records; every word and meaning is
//     NUL-terminated within its 128 bytes, the three spare records included
//     (they hold empty texts).
//   - drawnIndices has wordCount + 3 slots, each -1 until a pass fills it.
//   - practiceDrawn, practiceShown and testDrawn are below wordCount, and
//     randomAnswered is at most wordCount: a counter left out of that range
//     by a longer list is set to 0, the value a new pass starts from. Counters
//     in range keep their values. With wordCount 0 all four are 0, and
//     listLoaded is 1 all the same: a random draw must check wordCount > 0
//     before taking a remainder by it.
//   - The blocks of the list before stay allocated until the next successful
//     load, so a thread that was still reading them when listLoaded went to 0
//     never reads freed memory. At most two lists are held at a time.
// A failed open or blocks that cannot be obtained leave listLoaded and
// wordCount 0 and the blocks of the previous list in place.
void LoadWordList();

// The same for the list at `path`, chosen by the program instead of the
// open-file dialog: the button does not go down and no dialog shows, all
// else is as above, and the path stays in listPath for the next click (a
// cancelled dialog reads it again). False when no list is loaded after.
bool LoadWordListFrom(const char* path);

// The same for a list another thread has read whole and parsed already
// (ParseWordList's blocks of a list that loaded): nothing is read or parsed
// here, and nothing is kept open. False when the path does not fit.
bool InstallParsedWordList(const char* path, WordListBlocks parsed);

// Tests: closes the list file and frees every block the loader holds,
// setting WordTable and drawnIndices to null when they are the loader's.
void ReleaseWordListForTest();

}  // namespace kestran

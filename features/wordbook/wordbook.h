// 错题本, the wrong-word book: the words a learner misses come back.
//
// A miss is a test answer judged wrong (the entry asked) or a practice word
// that crossed the canvas untyped while the learner was drilling (see
// learner_presence.h). The misses of the current round (one
// practice pass, or one test up to its result) are kept in memory; every
// miss also goes into the book, 错题本.txt in the learner's data folder,
// unless the same word and meaning are there already. While the book is
// the list, an entry answered right in a test leaves the book when that
// test's result is shown.
//
// Menu items: 练习本轮错词 (F4), 打开错题本 (F3), 从错题本删去此词 (F8).
// When the program ends normally, the misses not yet written are written
// first (waiting at most half a second).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "features/wordbook/book_format.h"

namespace kestran::wordbook {

// Sets the hooks and adds the menu items. Once, at start-up.
void Install();

// The round's misses, in the order they came: those of the round in
// progress, or of the round just finished while the next one has had no
// miss or test answer yet.
std::vector<BookEntry> RoundMisses();
// The book file's data path (in the learner's data folder).
std::string BookPath();
// From memory, without waiting for the disk (any thread): how many entries
// the book holds and whether it holds `entry`, as of its last read or
// write. Nothing (false) until first known: a read is then asked for.
std::optional<std::size_t> KnownBookSize();
bool BookKnownToHold(const BookEntry& entry);
// Returns once every change to the book asked for so far is written.
void WaitForBookWrites();

}  // namespace kestran::wordbook

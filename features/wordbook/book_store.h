// The book file in the learner's data folder, read and changed whole.
//
// Every change reads the file anew (the learner may have edited it since),
// changes the entries and replaces the file atomically, so a kill or a
// power cut leaves the book as it was before or after that change. A book
// that does not read cleanly (broken by hand) is copied aside, as it was,
// before it is first rewritten, and is rewritten with every entry it gave;
// a book that cannot be read at all is never written.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "features/wordbook/book_format.h"

namespace kestran::wordbook {

class BookStore {
public:
    // The book `gbkStem`.txt in `folder` (a path in the platform's form).
    BookStore(std::string folder, std::string gbkStem);
    const std::string& Path() const { return path_; }

    // The entries now in the file (none when there is no file); nothing
    // when the file is there but cannot be read.
    std::optional<std::vector<BookEntry>> Read() const;
    // Adds the entries not yet in the book (same word and meaning), in
    // order. False when the book could not be read or written.
    bool Add(const std::vector<BookEntry>& entries);
    // Removes every entry equal to one of these.
    bool Remove(const std::vector<BookEntry>& entries);

private:
    struct Loaded {
        std::string bytes;
        BookContents contents;
        bool exists = false;
    };
    std::optional<Loaded> Load() const;
    bool Replace(const Loaded& before, const std::vector<BookEntry>& entries);

    std::string folder_, stem_, path_;
};

}  // namespace kestran::wordbook

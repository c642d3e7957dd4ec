// A book file in the learner's data folder (the wrong-word book, the
// round's list), kept through plat::DataFile: every change holds the lock
// between KESTRAN processes, reads the file anew (the learner may have
// edited it since) and replaces it atomically, so a kill or a power cut
// leaves the book as it was before or after that change. A book that does
// not read cleanly (broken by hand) is copied aside, as it was, before it
// is rewritten, and is rewritten with every entry it gave; a book that
// cannot be read at all is never written.
//
// A miss costs far less than a rewrite: while the file is exactly as this
// store last read or wrote it, new entries are appended as lines. What the
// store last saw (how many entries, which) is kept in memory, so the menu
// can be told without reading the file.
//
// The changes and Read wait for the disk: a thread of the feature's own
// calls them. KnownSize and KnownToHold only look at memory: any thread.
#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "features/wordbook/book_format.h"
#include "platform/data_file.h"

namespace kestran::wordbook {

class BookStore {
public:
    // The book `gbkStem`.txt in `folder` (a data path).
    BookStore(std::string folder, const std::string& gbkStem);
    const std::string& Path() const { return file_.Path(); }

    // The entries now in the file (none when there is no file); nothing
    // when the file is there but cannot be read.
    std::optional<std::vector<BookEntry>> Read();
    // Adds the entries not yet in the book (same word and meaning), in
    // order. False when the book could not be read or written.
    bool Add(const std::vector<BookEntry>& entries);
    // Removes every entry equal to one of these.
    bool Remove(const std::vector<BookEntry>& entries);
    // Makes the book hold exactly these entries.
    bool ReplaceAll(const std::vector<BookEntry>& entries);

    // From memory, as of the store's last read or write: the number of
    // entries, and whether it held `entry`. Nothing before the first.
    std::optional<std::size_t> KnownSize() const;
    bool KnownToHold(const BookEntry& entry) const;

private:
    // What the store last saw of the file.
    struct Known {
        std::unordered_set<std::string> keys;  // of every entry, see Key
        std::size_t size = 0;                  // entries, each counted
        bool appendable = false;  // clean, read as GBK, ends with a line end, no 0xFF mark
    };
    // Changes the entries read from the file; true when it changed them.
    using Change = std::function<bool(std::vector<BookEntry>&)>;

    static std::string Key(const BookEntry& entry);
    void Learn(plat::ReadResult result, const std::string& bytes, const BookContents& contents);
    void LearnEntries(const std::vector<BookEntry>& entries, bool appendable);
    void Forget();
    // What to write of the file as read: its entries after `change`, which
    // land in `written` (only the storable ones, as BookText writes them).
    plat::DataFile::Decide Decider(const Change& change, std::optional<std::vector<BookEntry>>& written);
    bool Finish(bool ok, const std::optional<std::vector<BookEntry>>& written);
    // Update with `change` applied to the entries read from the file anew.
    bool Rewrite(const Change& change);

    plat::DataFile file_;
    mutable std::mutex mutex_;  // guards known_
    std::optional<Known> known_;
};

}  // namespace kestran::wordbook

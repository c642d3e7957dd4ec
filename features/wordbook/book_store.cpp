#include "features/wordbook/book_store.h"

#include <algorithm>
#include <utility>

namespace kestran::wordbook {

BookStore::BookStore(std::string folder, const std::string& gbkStem)
    : file_(std::move(folder), (gbkStem + ".txt").c_str()) {}

// A word holds no NUL (Storable), so the NUL parts word from meaning.
std::string BookStore::Key(const BookEntry& entry) { return entry.word + '\0' + entry.meaning; }

void BookStore::Learn(plat::ReadResult result, const std::string& bytes, const BookContents& contents) {
    // After a line end and without the mark, lines added read as lines of
    // their own; a missing file is created whole.
    const bool appendable =
        result == plat::ReadResult::Read && contents.clean && !bytes.empty() && bytes.back() == '\n';
    LearnEntries(contents.entries, appendable);
}

void BookStore::LearnEntries(const std::vector<BookEntry>& entries, bool appendable) {
    Known known;
    known.keys.reserve(entries.size());
    for (const BookEntry& e : entries) known.keys.insert(Key(e));
    known.size = entries.size();
    known.appendable = appendable;
    // What was known before goes only after the lock: freeing a large
    // book's keys takes long enough to hold up the menu waiting for it.
    std::optional<Known> before;
    {
        std::lock_guard lock(mutex_);
        before = std::exchange(known_, std::move(known));
    }
}

void BookStore::Forget() {
    std::optional<Known> before;
    std::lock_guard lock(mutex_);
    before.swap(known_);
}

std::optional<std::size_t> BookStore::KnownSize() const {
    std::lock_guard lock(mutex_);
    if (!known_) return std::nullopt;
    return known_->size;
}

bool BookStore::KnownToHold(const BookEntry& entry) const {
    std::lock_guard lock(mutex_);
    return known_ && known_->keys.count(Key(entry)) > 0;
}

std::optional<std::vector<BookEntry>> BookStore::Read() {
    std::string bytes;
    const plat::ReadResult result = file_.Read(bytes);
    if (result == plat::ReadResult::Failed) {
        Forget();
        return std::nullopt;
    }
    BookContents contents = result == plat::ReadResult::Read ? ReadBookText(bytes) : BookContents{};
    Learn(result, bytes, contents);
    return std::move(contents.entries);
}

plat::DataFile::Decide BookStore::Decider(const Change& change, std::optional<std::vector<BookEntry>>& written) {
    return [this, &change, &written](plat::ReadResult result, const std::string& bytes) {
        const BookContents contents = result == plat::ReadResult::Read ? ReadBookText(bytes) : BookContents{};
        Learn(result, bytes, contents);
        std::vector<BookEntry> book = contents.entries;
        written.reset();
        if (!change(book)) return plat::DataFile::Change{};
        plat::DataFile::Change write{true, BookText(book), result == plat::ReadResult::Read && !contents.clean};
        std::erase_if(book, [](const BookEntry& e) { return !Storable(e); });
        written = std::move(book);
        return write;
    };
}

bool BookStore::Finish(bool ok, const std::optional<std::vector<BookEntry>>& written) {
    if (!ok) {
        Forget();
        return false;
    }
    // What went to the disk is what the store knows now. BookText ends a
    // book with the mark only when its lines alone would not read as GBK.
    if (written) LearnEntries(*written, AppendKeepsGbk(BookLines(*written, 1)));
    return true;
}

bool BookStore::Rewrite(const Change& change) {
    std::optional<std::vector<BookEntry>> written;
    const bool ok = file_.Update(Decider(change, written));
    return Finish(ok, written);
}

bool BookStore::Add(const std::vector<BookEntry>& entries) {
    const Change addTo = [&entries](std::vector<BookEntry>& book) {
        const std::size_t before = book.size();
        for (const BookEntry& e : entries)
            if (Storable(e) && std::find(book.begin(), book.end(), e) == book.end()) book.push_back(e);
        return book.size() != before;
    };
    // The entries the book lacks as last seen, each once.
    std::vector<BookEntry> fresh;
    std::size_t size = 0;
    bool appendable = false;
    {
        std::lock_guard lock(mutex_);
        appendable = known_ && known_->appendable;
        if (appendable) size = known_->size;
        std::unordered_set<std::string> adding;
        for (const BookEntry& e : entries)
            if (appendable && Storable(e) && !known_->keys.count(Key(e)) && adding.insert(Key(e)).second)
                fresh.push_back(e);
    }
    if (!appendable) return Rewrite(addTo);
    const std::string lines = BookLines(fresh, static_cast<int>(size) + 1);
    if (!fresh.empty() && !AppendKeepsGbk(lines)) return Rewrite(addTo);
    std::optional<std::vector<BookEntry>> written;
    bool decided = false;
    const Change noted = [&](std::vector<BookEntry>& book) {
        decided = true;  // the file had changed: decided anew from it
        return addTo(book);
    };
    const bool ok = file_.AppendOrUpdate(lines, Decider(noted, written));
    if (ok && !decided) {
        std::lock_guard lock(mutex_);
        if (known_) {
            for (const BookEntry& e : fresh) known_->keys.insert(Key(e));
            known_->size += fresh.size();
        }
    }
    return Finish(ok, written);
}
bool BookStore::Remove(const std::vector<BookEntry>& entries) {
    return Rewrite([&entries](std::vector<BookEntry>& book) {
        const auto gone = std::remove_if(book.begin(), book.end(), [&](const BookEntry& e) {
            return std::find(entries.begin(), entries.end(), e) != entries.end();
        });
        if (gone == book.end()) return false;
        book.erase(gone, book.end());
        return true;
    });
}

bool BookStore::ReplaceAll(const std::vector<BookEntry>& entries) {
    return Rewrite([&entries](std::vector<BookEntry>& book) {
        if (book == entries) return false;
        book = entries;
        return true;
    });
}

}  // namespace kestran::wordbook

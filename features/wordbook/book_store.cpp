#include "features/wordbook/book_store.h"

#include <algorithm>
#include <ctime>

#include "platform/user_data.h"

namespace kestran::wordbook {
namespace {

// <stem>-原样-<date>-<time>.txt beside the book: the broken book as it was.
std::string CopyName(const std::string& stem) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    return stem + "-\xD4\xAD\xD1\xF9-" + stamp + ".txt";
}

}  // namespace

BookStore::BookStore(std::string folder, std::string gbkStem)
    : folder_(std::move(folder)), stem_(std::move(gbkStem)), path_(plat::PathInFolder(folder_, (stem_ + ".txt").c_str())) {}

std::optional<BookStore::Loaded> BookStore::Load() const {
    Loaded loaded;
    switch (plat::ReadWholeFile(path_, loaded.bytes)) {
        case plat::ReadResult::Missing:
            return loaded;
        case plat::ReadResult::Failed:
            return std::nullopt;
        case plat::ReadResult::Read:
            break;
    }
    loaded.exists = true;
    loaded.contents = ReadBookText(loaded.bytes);
    return loaded;
}

std::optional<std::vector<BookEntry>> BookStore::Read() const {
    auto loaded = Load();
    if (!loaded) return std::nullopt;
    return std::move(loaded->contents.entries);
}

bool BookStore::Replace(const Loaded& before, const std::vector<BookEntry>& entries) {
    if (!plat::CreateUserDataFolder()) return false;
    if (before.exists && !before.contents.clean &&
        !plat::WriteFileAtomically(plat::PathInFolder(folder_, CopyName(stem_).c_str()), before.bytes))
        return false;  // no copy, no rewrite
    return plat::WriteFileAtomically(path_, BookText(entries));
}

bool BookStore::Add(const std::vector<BookEntry>& entries) {
    auto loaded = Load();
    if (!loaded) return false;
    std::vector<BookEntry> book = loaded->contents.entries;
    const std::size_t before = book.size();
    for (const BookEntry& e : entries)
        if (Storable(e) && std::find(book.begin(), book.end(), e) == book.end()) book.push_back(e);
    if (book.size() == before) return true;
    return Replace(*loaded, book);
}

bool BookStore::Remove(const std::vector<BookEntry>& entries) {
    auto loaded = Load();
    if (!loaded) return false;
    std::vector<BookEntry> book = loaded->contents.entries;
    const auto gone = std::remove_if(book.begin(), book.end(), [&](const BookEntry& e) {
        return std::find(entries.begin(), entries.end(), e) != entries.end();
    });
    if (gone == book.end()) return true;
    book.erase(gone, book.end());
    return Replace(*loaded, book);
}

}  // namespace kestran::wordbook

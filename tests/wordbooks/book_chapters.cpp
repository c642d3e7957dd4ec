#include "tests/wordbooks/book_chapters.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <set>

#include "features/wordbooks/library_folder.h"

namespace kestran::wordbooks::test {

namespace fs = std::filesystem;

fs::path SourceLibrary() { return fs::current_path() / "lists" / LibraryFolderName(); }

namespace {

std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Utf8(const fs::path& path) {
    const std::u8string name = path.u8string();
    return std::string(name.begin(), name.end());
}

}  // namespace

void ForEachChapter(const fs::path& library, const std::vector<Book>& books,
                    const std::function<void(const ChapterRead&)>& visit) {
    for (const Book& book : books)
        for (int n = 1; n <= book.chapters; ++n) {
            ChapterRead read;
            read.book = &book;
            read.number = n;
            read.file = ChapterFile(library, book, n);
            read.label = Utf8(read.file.filename());
            std::string bytes = ReadBytes(read.file);
            read.check = listtool::CheckList(bytes, read.label);
            visit(read);
        }
}

std::vector<MeaningSeen> DistinctMeanings(const fs::path& library) {
    std::vector<MeaningSeen> meanings;
    std::set<std::string> seen;
    ForEachChapter(library, ReadBooks(library), [&](const ChapterRead& read) {
        const auto& blocks = read.check.blocks;
        for (std::int32_t i = 0; i < blocks.wordCount; ++i) {
            const WordRecord& record = blocks.table[i];
            std::string meaning(record.meaning, strnlen(record.meaning, kWordFieldSize));
            if (seen.insert(meaning).second)
                meanings.push_back({std::move(meaning), read.label + ": " + record.word});
        }
    });
    return meanings;
}

}  // namespace kestran::wordbooks::test

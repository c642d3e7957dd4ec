#include "tests/wordbooks/book_chapters.h"

#include <fstream>
#include <iterator>

#include "features/wordbooks/library_folder.h"

namespace kestran::wordbooks::test {

namespace fs = std::filesystem;

fs::path SourceLibrary() { return fs::current_path() / "lists" / LibraryFolderName(); }

namespace {

std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::string Utf8(const fs::path& path) {
    const std::u8string name = path.u8string();
    return std::string(name.begin(), name.end());
}

void ForEachChapter(const fs::path& library, const std::vector<Book>& books,
                    const std::function<void(const ChapterRead&)>& visit) {
    for (const Book& book : books)
        for (int n = 1; n <= book.chapters; ++n) {
            const fs::path file = ChapterFile(library, book, n);
            ChapterRead read;
            read.book = &book;
            read.label = Utf8(file.filename());
            std::string bytes = ReadBytes(file);
            read.check = listtool::CheckList(bytes, read.label);
            visit(read);
        }
}

}  // namespace kestran::wordbooks::test

// The word books as files: which folder is the library, what books.tsv
// lists, and which file a chapter is.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "features/wordbooks/book_list.h"
#include "features/wordbooks/library_folder.h"

namespace {

using namespace kestran::wordbooks;
namespace fs = std::filesystem;

const std::string kSiji = "\xE5\x9B\x9B\xE7\xBA\xA7";  // 四级 (UTF-8)
const std::string kGaokao = "\xE9\xAB\x98\xE8\x80\x83";  // 高考

fs::path U8(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

struct TempFolder {
    fs::path root = fs::temp_directory_path() / ("kestran-books-" + std::to_string(std::random_device()()));
    TempFolder() { fs::create_directories(root); }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    // A library under `folder`; with books.tsv unless told otherwise.
    fs::path Library(const fs::path& folder, bool withBooks = true) const {
        const fs::path library = root / folder / "lists" / LibraryFolderName();
        fs::create_directories(library);
        if (withBooks) std::ofstream(library / kBooksFile) << kSiji << "\t" << kSiji << "\t2\t6\n";
        return library;
    }
};

TEST(WordBooksLibrary, TheWorkingFolderWinsThenBesideTheProgramThenTheInstalledDataFolder) {
    TempFolder temp;
    const fs::path source = temp.Library("source");             // ./run.sh in the source tree
    const fs::path zip = temp.Library(U8(kGaokao) / "zip");      // lists beside KESTRAN.exe, a Chinese folder
    const fs::path installed = temp.Library("usr/share/kestran");  // /usr/share/kestran/lists/词库
    temp.Library("empty", false);                                // a folder without books.tsv is none
    fs::create_directories(temp.root / "usr/bin");
    const fs::path bare = temp.root / "bare";
    fs::create_directories(bare);

    struct Case {
        fs::path working, program, expected;
    } cases[] = {
        {temp.root / "source", temp.root / "zip/KESTRAN.exe", source},
        {bare, temp.root / U8(kGaokao) / "zip" / "KESTRAN.exe", zip},
        {bare, temp.root / "usr/bin/kestran", installed},
        {temp.root / "empty", temp.root / "usr/bin/kestran", installed},
        {bare, fs::path(), fs::path()},
        {fs::path(), fs::path(), fs::path()},
        {bare, temp.root / "empty/kestran", fs::path()},
    };
    for (const Case& c : cases) {
        const fs::path found = LibraryFolderAmong(c.working, c.program);
        EXPECT_EQ(found, c.expected.lexically_normal()) << c.working << " " << c.program;
        if (!found.empty()) {
            EXPECT_TRUE(found.is_absolute());
        }
    }
}

TEST(WordBooksLibrary, BooksTsvGivesTheBooksInOrderAndLeavesOutBrokenLines) {
    const Book siji{kSiji, kSiji, 128, 3849}, gaokao{kGaokao, kGaokao + " (new)", 1, 30};
    struct Case {
        std::string text;
        std::vector<Book> expected;
    } cases[] = {
        {kSiji + "\t" + kSiji + "\t128\t3849\n" + kGaokao + "\t" + kGaokao + " (new)\t1\t30\n", {siji, gaokao}},
        {"\xEF\xBB\xBF" + kSiji + "\t" + kSiji + "\t128\t3849\r\n", {siji}},     // BOM, CRLF
        {kSiji + "\t" + kSiji + "\t128\t3849", {siji}},                          // no final line end
        {"\n# a comment\n" + kSiji + "\t" + kSiji + "\t128\t3849\n\n", {siji}},  // blank and other lines
        {kSiji + "\t" + kSiji + "\t0\t3849\n", {}},                              // no chapter
        {kSiji + "\t" + kSiji + "\t1000\t3849\n", {}},                           // beyond three digits
        {kSiji + "\t" + kSiji + "\t12x\t3849\n", {}},
        {kSiji + "\t" + kSiji + "\t-3\t3849\n", {}},
        {kSiji + "\t" + kSiji + "\t128\n", {}},                                   // three fields
        {kSiji + "\t" + kSiji + "\t128\t3849\textra\n", {}},
        {"..\t" + kSiji + "\t128\t3849\n", {}},                                   // leaves the library
        {"a/b\t" + kSiji + "\t128\t3849\n", {}},
        {"a\\b\t" + kSiji + "\t128\t3849\n", {}},
        {kSiji + "\t\t128\t3849\n", {}},                                          // no name
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseBooks(c.text), c.expected) << testing::PrintToString(c.text);
}

TEST(WordBooksLibrary, AChapterFileIsKnownAgainByItsNameAndFolder) {
    TempFolder temp;
    const fs::path library = temp.Library("source");
    const std::vector<Book> books = ReadBooks(library);
    ASSERT_EQ(books.size(), 1u);
    const Book& siji = books[0];
    EXPECT_EQ(ChapterFile(library, siji, 2), library / U8(kSiji) / U8(kSiji + "-002.txt"));
    for (int chapter : {1, 2}) EXPECT_EQ(ChapterOf(ChapterFile(library, siji, chapter), siji), chapter);

    const Book gaokao{kGaokao, kGaokao, 20, 600};
    struct Case {
        fs::path file;
        int expected;
    } cases[] = {
        {fs::path("x") / U8(kSiji) / U8(kSiji + "-001.txt"), 1},  // any library
        {U8(kSiji) / U8(kSiji + "-003.txt"), 0},                  // beyond the book
        {U8(kSiji) / U8(kSiji + "-000.txt"), 0},
        {U8(kGaokao) / U8(kSiji + "-001.txt"), 0},                // another book's folder
        {U8(kSiji) / U8(kSiji + "-01.txt"), 0},
        {U8(kSiji) / U8(kSiji + "-001.txt.bak"), 0},
        {U8(kSiji) / U8(kSiji + "-0a1.txt"), 0},
        {fs::path("lists") / "everyday-100.txt", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(ChapterOf(c.file, siji), c.expected) << c.file;
    EXPECT_EQ(ChapterOf(ChapterFile(library, gaokao, 20), gaokao), 20);
    EXPECT_TRUE(ReadBooks(temp.root / "nowhere").empty());
}

}  // namespace

// The word books as files: which folder is the library, what books.tsv
// lists, and which file a chapter is.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "features/wordbooks/book_list.h"
#include "features/wordbooks/library_folder.h"
#include "tests/support/temp_data_folder.h"

namespace {

using namespace kestran::wordbooks;
namespace fs = std::filesystem;

const std::string kSiji = "\xE5\x9B\x9B\xE7\xBA\xA7";  // 四级 (UTF-8)
const std::string kGaokao = "\xE9\xAB\x98\xE8\x80\x83";  // 高考

fs::path U8(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

// A library under `folder`; with books.tsv unless told otherwise.
fs::path Library(const kestran::testing::TempDataFolder& temp, const fs::path& folder, bool withBooks = true) {
    const fs::path library = temp.base / folder / "lists" / LibraryFolderName();
    fs::create_directories(library);
    if (withBooks) std::ofstream(library / kBooksFile) << kSiji << "\t" << kSiji << "\t2\t6\n";
    return library;
}

TEST(WordBooksLibrary, TheWorkingFolderWinsThenBesideTheProgramThenTheInstalledDataFolder) {
    kestran::testing::TempDataFolder temp;
    const fs::path source = Library(temp, "source");             // ./run.sh in the source tree
    const fs::path zip = Library(temp, U8(kGaokao) / "zip");      // lists beside KESTRAN.exe, a Chinese folder
    const fs::path installed = Library(temp, "usr/share/kestran");  // /usr/share/kestran/lists/词库
    Library(temp, "empty", false);                                // a folder without books.tsv is none
    fs::create_directories(temp.base / "usr/bin");
    const fs::path bare = temp.base / "bare";
    fs::create_directories(bare);

    struct Case {
        fs::path working, program, expected;
    } cases[] = {
        {temp.base / "source", temp.base / "zip/KESTRAN.exe", source},
        {bare, temp.base / U8(kGaokao) / "zip" / "KESTRAN.exe", zip},
        {bare, temp.base / "usr/bin/kestran", installed},
        {temp.base / "empty", temp.base / "usr/bin/kestran", installed},
        {bare, fs::path(), fs::path()},
        {fs::path(), fs::path(), fs::path()},
        {bare, temp.base / "empty/kestran", fs::path()},
    };
    for (const Case& c : cases) {
        const fs::path found = LibraryFolderAmong(c.working, c.program);
        EXPECT_EQ(found, c.expected.lexically_normal()) << c.working << " " << c.program;
        EXPECT_TRUE(found.empty() || found.is_absolute());
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

// A chapter's file is known again by its name and folder alone, in any
// library. (Which file a chapter is, the chooser's test opens; that every
// file of the books is a chapter, chapters_test checks.)
TEST(WordBooksLibrary, AChapterFileIsKnownAgainByItsNameAndFolder) {
    const Book siji{kSiji, kSiji, 12, 360};
    struct Case {
        fs::path file;
        int expected;
    } cases[] = {
        {fs::path("x") / U8(kSiji) / U8(kSiji + "-001.txt"), 1},
        {U8(kSiji) / U8(kSiji + "-012.txt"), 12},
        {U8(kSiji) / U8(kSiji + "-013.txt"), 0},                  // beyond the book
        {U8(kSiji) / U8(kSiji + "-000.txt"), 0},
        {U8(kGaokao) / U8(kSiji + "-001.txt"), 0},                // another book's folder
        {U8(kSiji) / U8(kSiji + "-01.txt"), 0},
        {U8(kSiji) / U8(kSiji + "-001.txt.bak"), 0},
        {U8(kSiji) / U8(kSiji + "-0a1.txt"), 0},
        {fs::path("lists") / "everyday-100.txt", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(ChapterOf(c.file, siji), c.expected) << c.file;
    kestran::testing::TempDataFolder temp;
    EXPECT_TRUE(ReadBooks(temp.base / "nowhere").empty());
}

}  // namespace

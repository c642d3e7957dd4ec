// The book as a file: what the loader reads from it is what was written,
// changes never lose an entry, and a book broken by hand is kept.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "features/wordbook/book_format.h"
#include "features/wordbook/book_store.h"
#include "platform/user_data.h"
#include "tests/support/temp_data_folder.h"

namespace {

using kestran::testing::FsPath;
using kestran::testing::PlatformPath;
using kestran::testing::TempDataFolder;
using namespace kestran::wordbook;
namespace fs = std::filesystem;

const std::string kApple = "\xC6\xBB\xB9\xFB";   // 苹果
const std::string kBanana = "\xCF\xE3\xBD\xB6";  // 香蕉

// Bytes a list file is made of, weighted towards what trips the loader up:
// line ends, spaces, digits and signs at the start of a word, CR, 0x1A,
// 0xFF, and long runs without a line end.
std::string RandomListBytes(std::mt19937& random) {
    static const std::vector<std::string> pieces = {
        "a", "Zq", " ", "  ", "\t", "\n", "\r\n", "\r", "3", "42 ", "-", "+", kApple, kBanana, "\xB0", "\x1A",
        "\xFF", "(v.)", std::string(60, 'x'), std::string(40, '\xC1'), "\x0B", "\x0C", std::string(1, '\0')};
    std::string bytes;
    const int count = static_cast<int>(random() % 40);
    for (int i = 0; i < count; ++i) bytes += pieces[random() % pieces.size()];
    return bytes;
}

TEST(BookFormat, EveryEntryTheLoaderReadsIsReadBackTheSameAfterWriting) {
    // Examples first, then whatever a random list gives.
    std::vector<std::string> lists = {
        "apple " + kApple + "\n3 3D " + kBanana + "\n",        // a word starting with a digit
        "1\tapple " + kApple + "\r\r\n",                        // a tab word, a meaning ending in CR
        "Unit 1\napple " + kApple + "\n",                       // a word holding a line end
        kApple + "\n-5 -x " + kBanana + " (n.) \n+ " + kApple,  // an empty word, a sign, trailing text
        "++" + std::string(125, 'x') + kApple,                   // a sign leaves a 126-byte word starting with one
        "a \xEF\xBB\xBF\n\xFF",                                  // a meaning that is UTF-8 as it stands
    };
    std::mt19937 random(2026);
    for (int i = 0; i < 20000; ++i) lists.push_back(RandomListBytes(random));
    for (const std::string& list : lists) {
        const BookContents first = ReadBookText(list);
        std::vector<BookEntry> storable;
        for (const BookEntry& e : first.entries) {
            // Only an entry cut short by 0xFF or the end of the file has no meaning.
            ASSERT_TRUE(Storable(e) || e.meaning.empty()) << testing::PrintToString(list);
            if (Storable(e)) storable.push_back(e);
        }
        const BookContents again = ReadBookText(BookText(storable));
        ASSERT_TRUE(again.entries == storable) << testing::PrintToString(list);
        ASSERT_TRUE(again.clean) << testing::PrintToString(list);
    }
}

std::string FileText(const std::string& path) {
    std::string bytes;
    plat::ReadWholeFile(path, bytes);
    return bytes;
}

TEST(BookStore, AddingKeepsOneOfEachAndRemovingTakesOnlyWhatIsAsked) {
    TempDataFolder temp;
    BookStore book(plat::UserDataFolder(), "\xB4\xED\xCC\xE2\xB1\xBE");
    ASSERT_TRUE(book.Read().has_value()) << "no file yet: an empty book";
    EXPECT_TRUE(book.Read()->empty());
    const BookEntry apple{"apple", kApple}, banana{"banana", kBanana}, apple2{"apple", kBanana};
    ASSERT_TRUE(book.Add({apple, banana, apple}));
    ASSERT_TRUE(book.Add({apple2, banana}));
    EXPECT_EQ(*book.Read(), (std::vector<BookEntry>{apple, banana, apple2})) << "same word, other meaning: a new entry";
    EXPECT_EQ(FileText(book.Path()), "apple " + kApple + "\r\nbanana " + kBanana + "\r\napple " + kBanana + "\r\n");
    ASSERT_TRUE(book.Remove({apple, BookEntry{"cherry", kApple}}));
    EXPECT_EQ(*book.Read(), (std::vector<BookEntry>{banana, apple2}));
}

TEST(BookStore, ABookBrokenByHandIsReadAsFarAsItLoadsAndCopiedBeforeItsFirstRewrite) {
    TempDataFolder temp;
    BookStore book(plat::UserDataFolder(), "\xB4\xED\xCC\xE2\xB1\xBE");
    ASSERT_TRUE(plat::CreateUserDataFolder());
    // An overlong line in the middle: the loader reads on from inside it.
    const std::string broken = "apple " + kApple + "\r\n" + std::string(200, 'y') + " " + kBanana + "\r\nbanana " +
                               kBanana + "\r\n";
    ASSERT_TRUE(plat::WriteFileAtomically(book.Path(), broken));
    const std::vector<BookEntry> held = *book.Read();
    ASSERT_GE(held.size(), 2u);

    ASSERT_TRUE(book.Add({BookEntry{"cherry", kApple}}));
    const std::vector<BookEntry> after = *book.Read();
    for (const BookEntry& e : held) {
        if (!Storable(e)) continue;
        EXPECT_NE(std::find(after.begin(), after.end(), e), after.end()) << e.word << " was lost";
    }
    EXPECT_EQ(after.back(), (BookEntry{"cherry", kApple}));

    std::vector<fs::path> copies;
    for (const auto& f : fs::directory_iterator(temp.Folder()))
        if (f.path().filename() != fs::path(u8"错题本.txt")) {
            copies.push_back(f.path());
        }
    ASSERT_EQ(copies.size(), 1u) << "one copy of the broken book";
    EXPECT_EQ(FileText(PlatformPath(copies[0])), broken);
    ASSERT_TRUE(book.Add({BookEntry{"date", kBanana}}));
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.Folder()), fs::directory_iterator()), 2)
        << "a clean book is rewritten without another copy";

    // A book that cannot be read at all is never written.
    fs::remove(FsPath(book.Path()));
    fs::create_directory(FsPath(book.Path()));
    EXPECT_FALSE(book.Read().has_value());
    EXPECT_FALSE(book.Add({BookEntry{"egg", kApple}}));
    EXPECT_TRUE(fs::is_directory(FsPath(book.Path())));
}

}  // namespace

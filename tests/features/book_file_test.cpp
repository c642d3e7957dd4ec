// The book as a file: what the loader reads from it is what was written,
// changes never lose an entry, and a book broken by hand is kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "features/wordbook/book_format.h"
#include "features/wordbook/book_store.h"
#include "platform/data_file.h"
#include "platform/user_data.h"
#include "tests/support/temp_data_folder.h"

namespace {

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

TEST(BookFormat, TextTheLoaderTurnsIntoNoEntryMakesTheBookUnclean) {
    const struct {
        std::string bytes;
        bool clean;
    } cases[] = {
        {"apple " + kApple + "\r\n", true},
        {"apple " + kApple + "\r\n\r\n  \r\n", true},                 // blank lines at the end
        {"apple " + kApple + "\r\norange\r\n", false},                 // a word typed without its meaning
        {"apple " + kApple + "\r\norange", false},
        {"apple " + kApple + "\r\n\x1a" + "banana " + kBanana, false},  // hidden behind the end-of-file byte
        {"apple " + kApple + "\r\n\xFF", true},                        // the mark BookText may end with
        {"apple " + kApple + "\r\n\xFFx", false},
    };
    for (const auto& c : cases) EXPECT_EQ(ReadBookText(c.bytes).clean, c.clean) << testing::PrintToString(c.bytes);
}

std::string FileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(BookStore, ChangesKeepOneOfEachLoseNothingAndABrokenBookIsCopiedBeforeItsFirstRewrite) {
    TempDataFolder temp;
    BookStore book(plat::UserDataFolder(), "\xB4\xED\xCC\xE2\xB1\xBE");
    const fs::path file = temp.folder / u8"错题本.txt";
    EXPECT_TRUE(book.Read().has_value() && book.Read()->empty()) << "no file yet: an empty book";
    const BookEntry apple{"apple", kApple}, banana{"banana", kBanana}, apple2{"apple", kBanana};
    ASSERT_TRUE(book.Add({apple, banana, apple}) && book.Add({apple2, banana}));
    EXPECT_EQ(FileText(file), "apple " + kApple + "\r\nbanana " + kBanana + "\r\napple " + kBanana + "\r\n");
    ASSERT_TRUE(book.Remove({apple, BookEntry{"cherry", kApple}}));
    EXPECT_EQ(*book.Read(), (std::vector<BookEntry>{banana, apple2}));

    // Broken by hand, an overlong line in the middle: the loader reads on
    // from inside it, and every entry it gives stays.
    const std::string broken = "apple " + kApple + "\r\n" + std::string(200, 'y') + " " + kBanana + "\r\n";
    ASSERT_TRUE(plat::WriteFileAtomically(book.Path(), broken));
    std::vector<BookEntry> held = *book.Read();
    ASSERT_TRUE(book.Add({BookEntry{"cherry", kApple}}) && book.Add({BookEntry{"date", kBanana}}));
    std::erase_if(held, [](const BookEntry& e) { return !Storable(e); });
    held.push_back(BookEntry{"cherry", kApple});
    held.push_back(BookEntry{"date", kBanana});
    EXPECT_EQ(*book.Read(), held);
    std::vector<std::string> copies;
    for (const auto& f : fs::directory_iterator(temp.folder))
        if (f.path() != file && f.path().filename() != plat::kDataLockName) copies.push_back(FileText(f.path()));
    ASSERT_EQ(copies.size(), 1u) << "one copy, before the first rewrite only";
    EXPECT_EQ(copies[0], broken);

    // A book that cannot be read at all is never written.
    fs::remove(file);
    fs::create_directory(file);
    EXPECT_FALSE(book.Read().has_value() || book.Add({BookEntry{"egg", kApple}}));
    EXPECT_TRUE(fs::is_directory(file));
}

TEST(BookStore, AMissIsAppendedToTheBookAsLastSeenAndWhatAnEditorSavedIsKept) {
    TempDataFolder temp;
    BookStore book(plat::UserDataFolder(), "\xB4\xED\xCC\xE2\xB1\xBE");
    const fs::path file = temp.folder / u8"错题本.txt";
    const BookEntry apple{"apple", kApple}, banana{"banana", kBanana}, cherry{"cherry", kApple}, date{"date", kBanana};
    EXPECT_FALSE(book.KnownSize().has_value()) << "nothing known before the first read";
    ASSERT_TRUE(book.Add({apple}));
    plat::FileStamp before, after;
    ASSERT_EQ(plat::StampOfFile(book.Path(), before), plat::ReadResult::Read);
    ASSERT_TRUE(book.Add({banana, apple}));
    ASSERT_EQ(plat::StampOfFile(book.Path(), after), plat::ReadResult::Read);
    EXPECT_EQ(after.id, before.id) << "appended to the same file, not replaced";
    EXPECT_EQ(FileText(file), "apple " + kApple + "\r\nbanana " + kBanana + "\r\n");
    EXPECT_EQ(book.KnownSize(), 2u);
    EXPECT_TRUE(book.KnownToHold(banana) && !book.KnownToHold(cherry));

    // Saved in place by an editor since: the next miss goes into that text.
    std::ofstream(file, std::ios::binary | std::ios::trunc) << "cherry " + kApple + "\r\napple " + kApple + "\r\n";
    ASSERT_TRUE(book.Add({date}));
    EXPECT_EQ(*book.Read(), (std::vector<BookEntry>{cherry, apple, date}));
    EXPECT_FALSE(book.KnownToHold(banana)) << "what the editor took out is known to be gone";

    // An editor leaves the last line without its line end: still one entry
    // a line after the next miss.
    std::ofstream(file, std::ios::binary | std::ios::trunc) << "cherry " + kApple;
    ASSERT_TRUE(book.Add({date}));
    EXPECT_EQ(*book.Read(), (std::vector<BookEntry>{cherry, date}));
    EXPECT_EQ(book.KnownSize(), 2u);
}

#ifndef _WIN32
// Two windows missing words while an editor saves the book in place (no
// rename, no temporary file), each save adding a line e<k>. The editor holds
// KESTRAN's lock while it reads and writes, as an editor that never saves
// over what it has not seen would: a save from an older read loses entries
// whatever KESTRAN does.
TEST(BookStore, TwoWindowsAndAnEditorWritingAtOnceLoseNoEntry) {
    TempDataFolder temp;
    ASSERT_TRUE(plat::CreateUserDataFolder());
    BookStore book(plat::UserDataFolder(), "\xB4\xED\xCC\xE2\xB1\xBE");
    const auto misses = [](const char* range) {  // entries w<from>..w<to-1>, each written before the next
        return std::async(std::launch::async, [range] {
            return std::system((std::string(KESTRAN_BOOK_HELPER) + " add " + range + " >/dev/null").c_str());
        });
    };
    std::atomic<bool> stop{false};
    auto editor = std::async(std::launch::async, [&] {
        int edits = 0;
        while (!stop) {
            {
                const plat::FileLock lock(plat::PathInFolder(plat::UserDataFolder(), plat::kDataLockName),
                                          plat::kDataLockTimeoutMs);
                std::string bytes;
                if (lock.Held() && plat::ReadWholeFile(book.Path(), bytes) == plat::ReadResult::Read) {
                    bytes += "e" + std::to_string(edits++) + " \xB4\xCA\r\n";
                    std::ofstream(book.Path(), std::ios::binary | std::ios::trunc) << bytes;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
        return edits;
    });
    auto first = misses("0 200"), second = misses("200 400");
    EXPECT_EQ(first.get(), 0);
    EXPECT_EQ(second.get(), 0);
    stop = true;
    const int edited = editor.get();

    const std::vector<BookEntry> entries = *book.Read();
    std::string bytes;
    ASSERT_EQ(plat::ReadWholeFile(book.Path(), bytes), plat::ReadResult::Read);
    EXPECT_TRUE(ReadBookText(bytes).clean);
    const auto holds = [&](const BookEntry& entry) { return std::find(entries.begin(), entries.end(), entry) != entries.end(); };
    int missing = 0;
    for (int i = 0; i < 400; ++i) missing += !holds({"w" + std::to_string(i), "\xB4\xCA" + std::to_string(i)});
    for (int i = 0; i < edited; ++i) missing += !holds({"e" + std::to_string(i), "\xB4\xCA"});
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(entries.size(), 400u + edited) << "each once";
    EXPECT_GT(edited, 0) << "the editor saved while the misses were written";
}
#endif

}  // namespace

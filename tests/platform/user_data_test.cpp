// The learner's data folder: where it is, making it, and replacing files in
// it whole.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/user_data.h"
#include "tests/support/temp_data_folder.h"

namespace fs = std::filesystem;

TEST(UserData, TheFolderFollowsTheEnvironmentAndIsMadeWithItsParents) {
    kestran::testing::TempDataFolder temp;
    EXPECT_EQ(plat::UserDataFolder(), temp.folder.string());  // an ASCII path reads the same in GBK
    ASSERT_TRUE(plat::CreateUserDataFolder()) << "the missing parent is made too";
    EXPECT_TRUE(fs::is_directory(temp.folder));
#ifndef _WIN32
    // A relative XDG_DATA_HOME is ignored for the default under HOME.
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("XDG_DATA_HOME", "relative/place", 1);
    ::setenv("HOME", temp.base.c_str(), 1);
    EXPECT_EQ(plat::UserDataFolder(), temp.base.string() + "/.local/share/kestran");
    ::setenv("HOME", home.c_str(), 1);
#endif
}

TEST(UserData, AFileIsReplacedWholeAndReadBack) {
    kestran::testing::TempDataFolder temp;
    ASSERT_TRUE(plat::CreateUserDataFolder());
    const std::string path = plat::PathInFolder(plat::UserDataFolder(), "\xb4\xed\xcc\xe2\xb1\xbe.txt");  // 错题本.txt
    std::string bytes;
    EXPECT_EQ(plat::ReadWholeFile(path, bytes), plat::ReadResult::Missing);
    for (const std::string& content : {std::string("apple \xc6\xbb\xb9\xfb\n"), std::string(200000, 'x'), std::string()}) {
        ASSERT_TRUE(plat::WriteFileAtomically(path, content));
        ASSERT_EQ(plat::ReadWholeFile(path, bytes), plat::ReadResult::Read);
        EXPECT_EQ(bytes, content);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.folder), fs::directory_iterator()), 1) << "no temporary file is left";
    EXPECT_EQ(plat::ReadWholeFile(plat::UserDataFolder(), bytes), plat::ReadResult::Failed) << "a folder is no file";
    EXPECT_FALSE(plat::WriteFileAtomically(plat::PathInFolder(plat::UserDataFolder(), "none/x.txt"), "x"));

    // One file however its path is spelled; another file is another.
    const std::string other = plat::PathInFolder(plat::UserDataFolder(), "other.txt");
    ASSERT_TRUE(plat::WriteFileAtomically(other, "x"));
    EXPECT_TRUE(plat::SameFile(path, plat::PathInFolder(plat::UserDataFolder() + "/.", "\xb4\xed\xcc\xe2\xb1\xbe.txt")));
    EXPECT_FALSE(plat::SameFile(path, other) || plat::SameFile(path, path + ".missing"));

    // What a write cut short left behind goes at the next write, once an
    // hour old: a younger one may be another write still at work.
    // One stamped ahead of the clock (written from a machine whose clock
    // runs ahead) is young too, not a huge age.
#ifdef _WIN32
    const fs::path stale = temp.folder / "kst1A2B.tmp", young = temp.folder / "kst3C4D.tmp",
                   ahead = temp.folder / "kst5E6F.tmp";
#else
    const fs::path stale = temp.folder / u8"错题本.txt.abcdef", young = temp.folder / u8"错题本.txt.ghijkl",
                   ahead = temp.folder / u8"错题本.txt.mnopqr";
#endif
    for (const fs::path& left : {stale, young, ahead}) std::ofstream(left) << "half";
    fs::last_write_time(stale, fs::file_time_type::clock::now() - std::chrono::hours(2));
    fs::last_write_time(ahead, fs::file_time_type::clock::now() + std::chrono::hours(2));
    ASSERT_TRUE(plat::WriteFileAtomically(path, "again"));
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(young));
    EXPECT_TRUE(fs::exists(ahead));
}

// Books and settings written and read there are the end-to-end drivers'.
TEST(UserData, AFolderNameOutsideGbkIsKeptWholeAndTheLoadersFormNamesTheSameFile) {
    // A data folder under 한글\用户: Hangul has no GBK form.
    kestran::testing::TempDataFolder temp;
    const fs::path base = temp.base / u8"한글" / u8"用户";
#ifdef _WIN32
    SetEnvironmentVariableW(L"APPDATA", base.wstring().c_str());
    const fs::path folder = base / "KESTRAN";
#else
    ::setenv("XDG_DATA_HOME", base.c_str(), 1);
    const fs::path folder = base / "kestran";
#endif
    EXPECT_EQ(plat::UserDataFolder(), reinterpret_cast<const char*>(folder.u8string().c_str())) << "UTF-8, nothing lost";
    ASSERT_TRUE(plat::CreateUserDataFolder());
    const std::string path = plat::PathInFolder(plat::UserDataFolder(), "\xb4\xed\xcc\xe2\xb1\xbe.txt");  // 错题本.txt
    ASSERT_TRUE(plat::WriteFileAtomically(path, "apple \xc6\xbb\xb9\xfb\r\n"));
    EXPECT_TRUE(fs::exists(folder / u8"错题本.txt"));
    // The loader's form names the same file, or nothing (a volume without
    // short names on Windows), never another.
    const std::string listPath = plat::ListPathFromDataPath(path);
#ifndef _WIN32
    EXPECT_EQ(listPath, path);
#endif
    EXPECT_TRUE(listPath.empty() || plat::SameFile(plat::DataPathFromListPath(listPath), path)) << listPath;
}

// A read's and a write's stamp matching the file's until an editor saves in
// place is data_file_test's (appending then decides again); the lock is
// data_file_test's and book_file_test's.
TEST(UserData, StampsTellEveryWrite) {
    kestran::testing::TempDataFolder temp;
    ASSERT_TRUE(plat::CreateUserDataFolder());
    const std::string path = plat::PathInFolder(plat::UserDataFolder(), "book.txt");
    plat::FileStamp written, appended, now;
    EXPECT_EQ(plat::StampOfFile(path, now), plat::ReadResult::Missing);
    EXPECT_FALSE(plat::AppendToFile(path, "x")) << "appending never creates";
    ASSERT_TRUE(plat::WriteFileAtomically(path, "one\n", &written));
    ASSERT_TRUE(plat::AppendToFile(path, "two\n", &appended));
    EXPECT_FALSE(appended == written);
    ASSERT_EQ(plat::StampOfFile(path, now), plat::ReadResult::Read);
    EXPECT_EQ(now, appended);
    EXPECT_EQ(plat::StampOfFile(plat::UserDataFolder(), now), plat::ReadResult::Failed) << "a folder is no file";
}

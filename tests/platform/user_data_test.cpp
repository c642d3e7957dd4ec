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
#ifdef _WIN32
    const fs::path stale = temp.folder / "kst1A2B.tmp", young = temp.folder / "kst3C4D.tmp";
#else
    const fs::path stale = temp.folder / u8"错题本.txt.abcdef", young = temp.folder / u8"错题本.txt.ghijkl";
#endif
    for (const fs::path& left : {stale, young}) std::ofstream(left) << "half";
    fs::last_write_time(stale, fs::file_time_type::clock::now() - std::chrono::hours(2));
    ASSERT_TRUE(plat::WriteFileAtomically(path, "again"));
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(young));
}

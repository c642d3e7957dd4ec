// The store of the learner's files: a change decides from the file as it is
// when it holds the lock, is not undone by an editor saving in between,
// keeps a copy of what did not read cleanly, appends only to the file it
// last saw, and tells every failure.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/data_file.h"
#include "platform/user_data.h"
#include "tests/support/temp_data_folder.h"

namespace fs = std::filesystem;

namespace {

std::string FileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteInPlace(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::vector<std::string> failures;
void NoteFailure(const std::string& folder) { failures.push_back(folder); }

}  // namespace

TEST(DataFile, AChangeDecidesFromTheFileAsItIsAndAnEditorSavingMeanwhileIsNotUndone) {
    kestran::testing::TempDataFolder temp;
    plat::DataFile file(plat::UserDataFolder(), "notes.txt");
    const fs::path path = temp.folder / "notes.txt";
    const auto addLine = [](const std::string& line) {
        return [line](plat::ReadResult, const std::string& bytes) {
            return plat::DataFile::Change{true, bytes + line, false};
        };
    };
    ASSERT_TRUE(file.Update(addLine("a\n"))) << "the folder is made";
    EXPECT_EQ(FileText(path), "a\n");

    // An editor saves after the read, before the replace: the change is
    // decided again from the editor's text.
    int asked = 0;
    ASSERT_TRUE(file.Update([&](plat::ReadResult, const std::string& bytes) {
        if (asked++ == 0) WriteInPlace(path, bytes + "editor\n");
        return plat::DataFile::Change{true, bytes + "b\n", false};
    }));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(FileText(path), "a\neditor\nb\n");

    // Nothing to write leaves the file alone.
    ASSERT_TRUE(file.Update([](plat::ReadResult, const std::string&) { return plat::DataFile::Change{}; }));
    EXPECT_EQ(FileText(path), "a\neditor\nb\n");

    // Appending goes to the file as last seen only: after an editor's save
    // the change is decided again instead.
    ASSERT_TRUE(file.AppendOrUpdate("c\n", addLine("never\n")));
    EXPECT_EQ(FileText(path), "a\neditor\nb\nc\n");
    WriteInPlace(path, "edited\n");
    ASSERT_TRUE(file.AppendOrUpdate("lost\n", addLine("d\n")));
    EXPECT_EQ(FileText(path), "edited\nd\n");

    // What did not read cleanly is copied aside, as it was, before the rewrite.
    ASSERT_TRUE(file.Update([](plat::ReadResult, const std::string&) { return plat::DataFile::Change{true, "new\n", true}; }));
    EXPECT_EQ(FileText(path), "new\n");
    std::vector<fs::path> kept;
    for (const auto& f : fs::directory_iterator(temp.folder))
        if (f.path().filename().u8string().starts_with(u8"notes-原样-")) kept.push_back(f.path());
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(FileText(kept[0]), "edited\nd\n");
}

TEST(DataFile, AFileThatCannotBeReadIsNeverWrittenAndEveryFailureIsTold) {
    kestran::testing::TempDataFolder temp;
    failures.clear();
    plat::SetDataFailureHandler(NoteFailure);
    ASSERT_TRUE(plat::CreateUserDataFolder());
    plat::DataFile file(plat::UserDataFolder(), "notes.txt", 100);
    fs::create_directory(temp.folder / "notes.txt");
    bool asked = false;
    const auto decide = [&](plat::ReadResult, const std::string&) {
        asked = true;
        return plat::DataFile::Change{true, "x", false};
    };
    EXPECT_FALSE(file.Update(decide));
    EXPECT_FALSE(file.AppendOrUpdate("x", decide));
    std::string bytes;
    EXPECT_EQ(file.Read(bytes), plat::ReadResult::Failed);
    EXPECT_FALSE(asked) << "nothing is decided about a file not read";
    EXPECT_TRUE(fs::is_directory(temp.folder / "notes.txt"));
    EXPECT_EQ(failures, std::vector<std::string>(3, plat::UserDataFolder()));

    // Held by another for longer than a change waits.
    fs::remove(temp.folder / "notes.txt");
    const plat::FileLock other(plat::PathInFolder(plat::UserDataFolder(), plat::kDataLockName), 0);
    ASSERT_TRUE(other.Held());
    failures.clear();
    EXPECT_FALSE(file.Update(decide));
    EXPECT_FALSE(asked);
    EXPECT_EQ(failures.size(), 1u);
    plat::SetDataFailureHandler(nullptr);
}

TEST(DataFile, TheKeptCopyIsNamedAfterTheFileAndTheTime) {
    // 2026-03-04 05:06:07 local time.
    std::tm local{};
    local.tm_sec = 7, local.tm_min = 6, local.tm_hour = 5, local.tm_mday = 4, local.tm_mon = 2, local.tm_year = 126;
    local.tm_isdst = -1;
    const long long when = static_cast<long long>(std::mktime(&local));
    EXPECT_EQ(plat::KeptCopyName("\xB4\xED\xCC\xE2\xB1\xBE.txt", when), "\xB4\xED\xCC\xE2\xB1\xBE-\xD4\xAD\xD1\xF9-20260304-050607.txt");
    EXPECT_EQ(plat::KeptCopyName("plain", when), "plain-\xD4\xAD\xD1\xF9-20260304-050607");
}

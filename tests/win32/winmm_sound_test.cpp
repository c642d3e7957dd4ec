// Which sound the hit sound plays: the file under the working directory of
// the moment, or the system's default one.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/win32/win32_sound.h"
#include "tests/win32/media_test_support.h"

namespace {

namespace fs = std::filesystem;
using kestran::win32_testing::ScratchFolder;
using plat::win32::SoundToPlay;

void Touch(const fs::path& file) { std::ofstream(file, std::ios::binary) << "RIFF"; }

TEST(WinmmSoundTest, TheRelativePathIsResolvedAgainstTheWorkingDirectoryOfTheCall) {
    ScratchFolder first;
    Touch(first.Res(L"41.wav"));
    EXPECT_TRUE(fs::equivalent(SoundToPlay("RES\\41.wav"), first.Res(L"41.wav")));
    {
        // Another folder becomes the working directory: its own RES counts.
        ScratchFolder second;
        Touch(second.Res(L"41.wav"));
        EXPECT_TRUE(fs::equivalent(SoundToPlay("RES\\41.wav"), second.Res(L"41.wav")));
    }
    EXPECT_TRUE(fs::equivalent(SoundToPlay("RES\\41.wav"), first.Res(L"41.wav")));
    // A Chinese file name, whatever the system code page.
    Touch(first.Res(L"\u51FB\u4E2D.wav"));  // 击中.wav
    EXPECT_TRUE(fs::equivalent(SoundToPlay("RES\\\xBB\xF7\xD6\xD0.wav"), first.Res(L"\u51FB\u4E2D.wav")));
}

TEST(WinmmSoundTest, MissingFilesAndFoldersPlayTheDefaultSound) {
    ScratchFolder folder;
    fs::create_directory(folder.Res(L"folder.wav"));
    for (const char* path : {"RES\\41.wav", "RES\\folder.wav", "", "NUL"}) EXPECT_EQ(SoundToPlay(path), plat::win32::kDefaultSound) << path;
    EXPECT_EQ(SoundToPlay(nullptr), plat::win32::kDefaultSound);
}

}  // namespace

// Finding asset files (the working folder's RES, else the installed one)
// and reading them only when they are regular files; BMP files cut short.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/asset_file.h"
#include "platform/asset_path.h"
#include "platform/bmp_check.h"
#include "tests/dialog/temp_folder.h"
#include "tests/support/fifo_asset.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

void Write(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

// --- Which RES folder ---------------------------------------------------------

class AssetFolder : public ::testing::Test {
protected:
    // An install staged under the scratch folder: <prefix>/bin/kestran and
    // <prefix>/share/kestran/RES.
    fs::path StageInstall() {
        const fs::path prefix = folder.path() / "stage" / "usr";
        fs::create_directories(prefix / "bin");
        fs::create_directories(prefix / "share" / "kestran" / "RES");
        fs::create_directories(folder.path() / "home");
        fs::current_path(folder.path() / "home");
        return prefix;
    }
    dialog_test::TempFolder folder;
};

TEST_F(AssetFolder, WithoutALocalResTheInstalledOneBesideTheProgramIsUsed) {
    const fs::path prefix = StageInstall();
    EXPECT_EQ(plat::AssetFileName("RES\\41.wav", prefix / "bin" / "kestran"),
              (prefix / "share" / "kestran" / "RES" / "41.wav").string());
    EXPECT_EQ(plat::InstalledDataFolder(prefix / "bin" / "kestran"), prefix / "share" / "kestran");
}

TEST_F(AssetFolder, AResFolderInTheWorkingFolderStillWins) {
    const fs::path prefix = StageInstall();
    fs::create_directory("RES");  // even without the file asked for
    EXPECT_EQ(plat::AssetFileName("RES\\b11.png", prefix / "bin" / "kestran"), "RES/b11.png");
}

TEST_F(AssetFolder, OtherPathsAndMissingInstallsKeepTheRelativeName) {
    const fs::path prefix = StageInstall();
    const fs::path program = prefix / "bin" / "kestran";
    EXPECT_EQ(plat::AssetFileName("lists\\a.txt", program), "lists/a.txt");
    EXPECT_EQ(plat::AssetFileName("/abs/RES/x.png", program), "/abs/RES/x.png");
    EXPECT_EQ(plat::AssetFileName("RESERVED\\x.png", program), "RESERVED/x.png");
    EXPECT_EQ(plat::AssetFileName("RES\\x.png", fs::path()), "RES/x.png");
    fs::remove_all(prefix / "share");
    EXPECT_EQ(plat::AssetFileName("RES\\x.png", program), "RES/x.png");
}

// --- Reading only regular files ---------------------------------------------

TEST_F(AssetFolder, OnlyRegularFilesUpToTheLimitAreRead) {
    Write("RES/a.bin", std::string("ab\0cd", 5));
    EXPECT_EQ(plat::ReadAssetFile("RES/a.bin", 5), std::string("ab\0cd", 5));
    EXPECT_FALSE(plat::ReadAssetFile("RES/a.bin", 4)) << "longer than the limit";
    EXPECT_EQ(plat::ReadAssetFile("RES/a.bin", 100)->size(), 5u);
    Write("RES/empty.bin", "");
    EXPECT_EQ(plat::ReadAssetFile("RES/empty.bin", 10), std::string());
    EXPECT_FALSE(plat::ReadAssetFile("RES/none.bin", 10));
    EXPECT_FALSE(plat::ReadAssetFile("RES", 10)) << "a folder";
    EXPECT_FALSE(plat::ReadAssetFile("/dev/zero", 10)) << "a device";
    EXPECT_FALSE(plat::ReadAssetFile("", 10));
}

TEST_F(AssetFolder, AFifoCountsAsMissingAndDoesNotBlock) {
    fs::create_directory("RES");
    ASSERT_TRUE(test_support::MakeFifo("RES/41.wav"));
    bool read = true;
    EXPECT_TRUE(test_support::EndsWithin(2s, "RES/41.wav", [&] { read = plat::ReadAssetFile("RES/41.wav", 100).has_value(); }));
    EXPECT_FALSE(read);
}

// --- BMP files cut short -------------------------------------------------------

// A 24-bit BMP with a 40-byte info header; rows padded to four bytes.
std::string Bmp(std::int32_t width, std::int32_t height, int bitsPerPixel = 24, std::uint32_t compression = 0) {
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(width) * bitsPerPixel + 31) / 32 * 4;
    const std::uint32_t pixels = rowBytes * static_cast<std::uint32_t>(height < 0 ? -height : height);
    std::string b;
    auto u16 = [&](std::uint32_t v) { b += static_cast<char>(v & 0xFF); b += static_cast<char>(v >> 8 & 0xFF); };
    auto u32 = [&](std::uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
    b += "BM";
    u32(54 + pixels);
    u32(0);
    u32(54);
    u32(40);
    u32(static_cast<std::uint32_t>(width));
    u32(static_cast<std::uint32_t>(height));
    u16(1);
    u16(static_cast<std::uint32_t>(bitsPerPixel));
    u32(compression);
    u32(compression == 0 ? 0 : pixels);
    u32(2835);
    u32(2835);
    u32(0);
    u32(0);
    b.append(pixels, '\x40');
    return b;
}

TEST(BmpIsComplete, AWholeFileIsCompleteAndAnyCutIsNot) {
    const std::string whole = Bmp(7, 5);
    EXPECT_TRUE(plat::BmpIsComplete(whole));
    EXPECT_TRUE(plat::BmpIsComplete(Bmp(7, -5))) << "top-down rows";
    EXPECT_TRUE(plat::BmpIsComplete(Bmp(33, 2, 1))) << "one bit per pixel";
    for (std::size_t cut : {whole.size() - 1, std::size_t{60}, std::size_t{54}, std::size_t{20}, std::size_t{2}})
        EXPECT_FALSE(plat::BmpIsComplete(whole.substr(0, cut))) << "cut at " << cut;
    EXPECT_FALSE(plat::BmpIsComplete("PNG....."));
}

TEST(BmpIsComplete, TheStatedFileSizeAndThePixelNeedAreBothChecked) {
    std::string statesMore = Bmp(4, 4);
    statesMore[2] = static_cast<char>(statesMore[2] + 1);  // one byte more than there is
    EXPECT_FALSE(plat::BmpIsComplete(statesMore));

    std::string statesNothing = Bmp(4, 4);
    statesNothing.replace(2, 4, std::string(4, '\0'));  // a zero size is allowed
    EXPECT_TRUE(plat::BmpIsComplete(statesNothing));
    statesNothing.pop_back();
    EXPECT_FALSE(plat::BmpIsComplete(statesNothing)) << "the rows still need every byte";

    // Dimensions whose product overflows must not pass as small.
    std::string huge = Bmp(1, 1);
    huge.replace(18, 8, std::string("\xFF\xFF\xFF\x7F\xFF\xFF\xFF\x7F", 8));
    EXPECT_FALSE(plat::BmpIsComplete(huge));

    // Run-length data: the stated data size must be there.
    std::string rle = Bmp(8, 8, 8, 1);
    EXPECT_TRUE(plat::BmpIsComplete(rle));
    rle.pop_back();
    rle.replace(2, 4, std::string(4, '\0'));
    EXPECT_FALSE(plat::BmpIsComplete(rle));
}

}  // namespace

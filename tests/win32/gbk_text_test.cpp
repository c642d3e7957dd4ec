// GBK text on Windows: the conversions, which must not depend on the system
// code page, and list files opened by a GBK path.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/gbk.h"
#include "platform/win32/wide_text.h"
#include "wordlist/text_stream.h"

namespace {

using plat::win32::GbkFromWide;
using plat::win32::WideFromGbk;

// "苹果" (apple) in GBK and UTF-16.
constexpr const char* kAppleGbk = "\xC6\xBB\xB9\xFB";
constexpr const wchar_t* kAppleWide = L"\u82F9\u679C";

TEST(GbkConversion, ChineseAndAsciiRoundTrip) {
    EXPECT_EQ(plat::GbkToUtf8(std::string("apple ") + kAppleGbk), "apple \xE8\x8B\xB9\xE6\x9E\x9C");
    EXPECT_EQ(plat::Utf8ToGbk("\xE8\x8B\xB9\xE6\x9E\x9C"), kAppleGbk);
    EXPECT_EQ(WideFromGbk(kAppleGbk), kAppleWide);
    EXPECT_EQ(GbkFromWide(kAppleWide), kAppleGbk);
    // The canvas labels, whatever code page the process runs under.
    EXPECT_EQ(WideFromGbk("\xCB\xB3\xD0\xF2"), L"\u987A\u5E8F");        // 顺序
    EXPECT_EQ(WideFromGbk("\xD0\xA7\xB9\xFB\xBF\xAA"), L"\u6548\u679C\u5F00");  // 效果开
    EXPECT_EQ(WideFromGbk(nullptr), L"");
    EXPECT_EQ(GbkFromWide(nullptr), "");
    // Embedded NULs are text like any other byte.
    EXPECT_EQ(plat::GbkToUtf8(std::string_view("a\0b", 3)), std::string("a\0b", 3));
}

TEST(GbkConversion, BrokenBytesBecomeOneReplacementEach) {
    EXPECT_EQ(plat::GbkToUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
    // A lead byte at the very end, and one followed by a byte no trail can be.
    EXPECT_EQ(WideFromGbk("x\xC6"), L"x\uFFFD");
    EXPECT_EQ(WideFromGbk("\xC6" "1\xC6\xBB"), L"\uFFFD" L"1\u82F9");
    // Broken in the middle: the good characters on both sides survive.
    EXPECT_EQ(WideFromGbk("\xC6\xBB\xFF\xB9\xFB"), L"\u82F9\uFFFD\u679C");
}

TEST(GbkConversion, CharactersGbkLacksBecomeOneQuestionMarkEach) {
    // An emoji (two UTF-16 units) gives one '?', not two.
    EXPECT_EQ(plat::Utf8ToGbk("x\xF0\x9F\x98\x80y"), "x?y");
    // No look-alike: Latin a with ogonek must not turn into a plain 'a'.
    EXPECT_EQ(GbkFromWide(L"\u0105b"), "?b");
    EXPECT_EQ(GbkFromWide(L"\u0105\u82F9"), std::string("?") + "\xC6\xBB");
    // Broken UTF-8 is one more character without a GBK form.
    EXPECT_EQ(plat::Utf8ToGbk("a\xC3" "b"), "a?b");
}

class ListFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = std::filesystem::temp_directory_path() /
                ("kestran-list-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    // Writes bytes to root/wideName and returns the file's GBK path.
    std::string Write(const std::wstring& wideName, std::string_view bytes) {
        const std::filesystem::path file = root_ / wideName;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return GbkFromWide(file.wstring().c_str());
    }

    static std::string ReadAll(kestran::TextStream& stream) {
        std::string text;
        for (int c = stream.Get(); c != kestran::kEndOfStream; c = stream.Get()) text += static_cast<char>(c);
        return text;
    }

    std::filesystem::path root_;
};

TEST_F(ListFileTest, OpensAListWhosePathHasChineseCharacters) {
    // 单词\词汇.txt: folder and file named in Chinese.
    const std::string path = Write(L"\u5355\u8BCD\\\u8BCD\u6C47.txt", std::string("apple\r\n") + kAppleGbk + "\r\n");
    ASSERT_NE(path.find('\xB5'), std::string::npos);  // the path really is GBK
    auto stream = kestran::TextStream::Open(path.c_str());
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(ReadAll(*stream), std::string("apple\n") + kAppleGbk + "\n");
}

TEST_F(ListFileTest, BytesReachTheStreamUntranslated) {
    // Translated once by the runtime and again by the stream, "\r\r\n"
    // would lose its lone CR; 0x1A ends the text once, not earlier.
    const std::string path = Write(L"list.txt", "a\r\r\nb\x1A" "c");
    auto stream = kestran::TextStream::Open(path.c_str());
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(ReadAll(*stream), "a\r\nb");
    stream->Rewind();
    EXPECT_EQ(ReadAll(*stream), "a\r\nb");
}

TEST_F(ListFileTest, FoldersAndMissingFilesDoNotOpen) {
    Write(L"\u5355\u8BCD\\x.txt", "x");
    EXPECT_EQ(kestran::TextStream::Open(GbkFromWide((root_ / L"\u5355\u8BCD").wstring().c_str()).c_str()), nullptr);
    EXPECT_EQ(kestran::TextStream::Open(GbkFromWide((root_ / L"missing.txt").wstring().c_str()).c_str()), nullptr);
    EXPECT_EQ(kestran::TextStream::Open(""), nullptr);
}

}  // namespace

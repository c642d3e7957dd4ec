// Lists saved as UTF-8 or UTF-16: how the encoding is told, and that the
// converted list is the GBK list, record for record.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "edge_cases.h"
#include "list_bytes.h"
#include "platform/gbk.h"
#include "temp_dir.h"
#include "wordlist/list_encoding.h"
#include "wordlist/list_source.h"
#include "wordlist/word_list_parser.h"

namespace kestran {
namespace {

using testing::Records;
using testing::TempDir;

Records ParseRecords(TextStream& stream) {
    WordListBlocks blocks;
    EXPECT_TRUE(ParseWordList(stream, blocks).loaded);
    Records records;
    for (std::int32_t i = 0; i < blocks.wordCount; ++i)
        records.emplace_back(blocks.table[i].word, blocks.table[i].meaning);
    return records;
}

// UTF-8 to UTF-16 code units, written independently of the code under test.
std::string Utf16(std::string_view utf8, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    auto put = [&](unsigned unit) {
        char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    };
    for (std::size_t i = 0; i < utf8.size();) {
        auto b = static_cast<unsigned char>(utf8[i]);
        int length = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        unsigned c = length == 1 ? b : length == 2 ? b & 0x1F : length == 3 ? b & 0x0F : b & 0x07;
        for (int k = 1; k < length; ++k) c = c << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += static_cast<std::size_t>(length);
        if (c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put(c);
        }
    }
    return out;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ListEncoding, EveryEditorEncodingLoadsTheRecordsOfTheGbkCopy) {
    const std::filesystem::path lists = std::filesystem::path(KESTRAN_SOURCE_DIR) / "lists";
    TempDir dir;
    for (const char* name : {"everyday-100.txt", "phrases.txt"}) {
        const std::string gbk = ReadFile(lists / name);
        const std::string utf8 = plat::GbkToUtf8(gbk);
        ASSERT_EQ(plat::Utf8ToGbk(utf8), gbk) << name << ": the sample round-trips";
        auto gbkStream = TextStream::FromBytes(gbk);
        const Records expected = ParseRecords(*gbkStream);
        ASSERT_GE(expected.size(), 10u) << name;

        const std::pair<ListEncoding, std::string> copies[] = {
            {ListEncoding::kGbk, gbk},
            {ListEncoding::kUtf8, utf8},
            {ListEncoding::kUtf8WithBom, "\xEF\xBB\xBF" + utf8},
            {ListEncoding::kUtf16LE, Utf16(utf8, false)},
            {ListEncoding::kUtf16BE, Utf16(utf8, true)},
        };
        for (const auto& [encoding, bytes] : copies) {
            const std::string label = std::string(name) + " as " + ListEncodingName(encoding);
            ListSource source = OpenListSource(dir.Write("copy.txt", bytes).c_str());
            ASSERT_TRUE(source.stream) << label;
            EXPECT_EQ(source.encoding, encoding) << label;
            EXPECT_EQ(ParseRecords(*source.stream), expected) << label;
        }
    }
}

TEST(ListEncoding, GbkThatIsAlsoValidUtf8StaysGbk) {
    // 学校 (D1 A7 D0 A3) reads as UTF-8 "ѧУ", 猫 (C3 A8) as "è": short
    // all-Chinese GBK lines that are well-formed UTF-8 without any Chinese.
    const std::string cases[] = {
        "school \xD1\xA7\xD0\xA3\n",
        "cat \xC3\xA8\n",
        "apple \xC6\xBB\r\nhospital \xD2\xBD\xD4\xBA\r\nmedicine \xD2\xA9\r\n",
        "\xC9\xBD\xCB\xAE",  // 山水 alone, no line end
        // One line has Chinese as UTF-8 (E5 B0 81 is 封), the next has not.
        "seal \xE5\xB0\x81@\ncat \xC3\xA8\n",
    };
    for (const std::string& list : cases) {
        EXPECT_EQ(DetectListEncoding(list), ListEncoding::kGbk) << list;
        EncodingSniffer sniffer;
        for (char c : list) sniffer.Feed(std::string_view(&c, 1));
        EXPECT_EQ(sniffer.Result(), ListEncoding::kGbk) << "byte by byte: " << list;
    }
    // The classic GBK list and the edge cases are GBK whatever they hold.
    for (const auto& c : testing::EdgeCases()) EXPECT_EQ(DetectListEncoding(c.file), ListEncoding::kGbk) << c.name;

    EncodingSniffer sniffer;
    sniffer.Feed("apple \xC6\xBB\nschool \xD1\xA7\xD0\xA3\n");
    EXPECT_EQ(sniffer.Utf8LineWithoutChinese(), 1) << "the checker names the line that decided";
}

TEST(ListEncoding, Utf8IsToldByItsChineseOrByNotBeingGbk) {
    const std::pair<std::string, ListEncoding> cases[] = {
        {"apple \xE8\x8B\xB9\xE6\x9E\x9C\n", ListEncoding::kUtf8},             // 苹果, also valid GBK
        {"ice cream \xE5\x86\xB0\xE6\xB7\x87\xE6\xB7\x8B", ListEncoding::kUtf8},  // no final LF
        // "naïve" has no Chinese, but 一 (E4 B8 80) is not GBK: still UTF-8.
        {"one \xE4\xB8\x80\nna\xC3\xAFve\n", ListEncoding::kUtf8},
        // Valid GBK too, and the second line has no Chinese: GBK.
        {"na\xC3\xAFve \xE5\xA4\xA9\xE7\x9C\x9F\nx\xC3\xAF\n", ListEncoding::kGbk},
        {"apple\nbanana\n", ListEncoding::kGbk},                      // ASCII: the same either way
        {"", ListEncoding::kGbk},
        {"apple \xE8\x8B\xB9\xE6\x9E", ListEncoding::kGbk},            // cut inside a character
        {"\xE0\x80\xAF overlong", ListEncoding::kGbk},
        {"\xED\xA0\x80 surrogate", ListEncoding::kGbk},
        {"\xEF\xBB\xBF", ListEncoding::kUtf8WithBom},
        {"\xFF\xFE", ListEncoding::kUtf16LE},
        {"\xFE\xFF", ListEncoding::kUtf16BE},
        {"\xFF", ListEncoding::kGbk},
        {"\xEF\xBB", ListEncoding::kGbk},
    };
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(DetectListEncoding(bytes), expected) << bytes;
        EncodingSniffer sniffer;
        for (char c : bytes) sniffer.Feed(std::string_view(&c, 1));
        EXPECT_EQ(sniffer.Result(), expected) << "byte by byte: " << bytes;
    }
}

TEST(ListEncoding, CharactersGbkLacksBecomeQuestionMarksOnTheirLines) {
    // Line 2: an emoji (a surrogate pair in UTF-16); line 4: two Hangul
    // syllables; the ? on line 1 was in the file.
    const std::string utf8 = "what? \xE4\xBB\x80\xE4\xB9\x88\n"
                             "smile \xF0\x9F\x98\x80\xE7\xAC\x91\n"
                             "apple \xE8\x8B\xB9\xE6\x9E\x9C\n"
                             "hangul \xED\x95\x9C\xEA\xB8\x80 \xE9\x9F\xA9\xE6\x96\x87\n";
    const std::string expected = "what? \xCA\xB2\xC3\xB4\nsmile ?\xD0\xA6\napple \xC6\xBB\xB9\xFB\nhangul ?? "
                                 "\xBA\xAB\xCE\xC4\n";
    for (const auto& [encoding, bytes] :
         std::vector<std::pair<ListEncoding, std::string>>{{ListEncoding::kUtf8, utf8},
                                                           {ListEncoding::kUtf8WithBom, "\xEF\xBB\xBF" + utf8},
                                                           {ListEncoding::kUtf16LE, Utf16(utf8, false)},
                                                           {ListEncoding::kUtf16BE, Utf16(utf8, true)}}) {
        ASSERT_EQ(DetectListEncoding(bytes), encoding);
        for (std::size_t chunk : {std::size_t{1}, std::size_t{3}, std::size_t{5}, std::size_t{64 * 1024}}) {
            std::string text = bytes;
            std::vector<std::pair<std::int64_t, std::int64_t>> lost;
            ConvertToGbkInPlace(
                text, encoding,
                [&](std::int64_t line, std::int64_t count) {
                    if (!lost.empty() && lost.back().first == line) lost.back().second += count;
                    else lost.emplace_back(line, count);
                },
                chunk);
            const std::string label = std::string(ListEncodingName(encoding)) + " in pieces of " + std::to_string(chunk);
            EXPECT_EQ(text, expected) << label;
            EXPECT_EQ(lost, (std::vector<std::pair<std::int64_t, std::int64_t>>{{2, 1}, {4, 2}})) << label;
        }
    }
}

TEST(ListEncoding, BrokenUtf16BecomesQuestionMarks) {
    // A lone high surrogate, a lone low surrogate, an odd last byte.
    EXPECT_EQ(Utf16ToUtf8(std::string("a\0\x00\xD8" "b\0\x00\xDC" "c", 9), false),
              "a\xEF\xBF\xBD" "b\xEF\xBF\xBD" "\xEF\xBF\xBD");
    EXPECT_EQ(Utf16ToUtf8(std::string("\xD8\x3D\xDE\x00", 4), true), "\xF0\x9F\x98\x80");
    std::string text = std::string("\xFF\xFE" "a\0\x00\xD8\n\0", 8);
    ConvertToGbkInPlace(text, ListEncoding::kUtf16LE);
    EXPECT_EQ(text, "a?\n");
    // A lone high surrogate before a pair, converted two bytes at a time:
    // one "?" for it and one for the emoji, as in one piece.
    for (std::size_t chunk : {std::size_t{2}, std::size_t{4}, std::size_t{64}}) {
        std::string pairs = std::string("\xFF\xFE\x00\xD8\x3D\xD8\x00\xDE" "a", 10);  // the literal's NUL ends the last unit
        ConvertToGbkInPlace(pairs, ListEncoding::kUtf16LE, {}, chunk);
        EXPECT_EQ(pairs, "??a") << chunk;
    }
}

}  // namespace
}  // namespace kestran

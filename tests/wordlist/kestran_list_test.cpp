// The list checker: its JSON, its notes and its exit statuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "list_bytes.h"
#include "temp_dir.h"
#include "tools/kestran_list.h"

namespace kestran {
namespace {

using testing::kApple;
using testing::kBanana;
using testing::kPing;
using testing::TempDir;

struct ToolRun {
    int status;
    std::string out, err;
};

ToolRun RunTool(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    int status = listtool::RunKestranList(args, out, err);
    return {status, out.str(), err.str()};
}

TEST(KestranList, JsonOfTheWorkedExample) {
    TempDir dir;
    ToolRun run = RunTool({"--json", dir.Write("fruit.txt", testing::kWorkedExample)});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "{\"encoding\": \"GBK\", \"wordCount\": 3, \"records\": [\n"
              "  {\"word\": \"apple\", \"meaning\": \"\xE8\x8B\xB9\xE6\x9E\x9C\", \"wordHex\": \"6170706c65\", "
              "\"meaningHex\": \"c6bbb9fb\"},\n"
              "  {\"word\": \"banana\", \"meaning\": \"\xE9\xA6\x99\xE8\x95\x89\", \"wordHex\": \"62616e616e61\", "
              "\"meaningHex\": \"cfe3bdb6\"},\n"
              "  {\"word\": \"cherry\", \"meaning\": \"\xE6\xA8\xB1\xE6\xA1\x83\", \"wordHex\": \"636865727279\", "
              "\"meaningHex\": \"d3a3ccd2\"}\n"
              "]}\n");
}

TEST(KestranList, JsonEscapesAndMarksUndecodableBytes) {
    TempDir dir;
    // A quote, a backslash and a tab in the word; a lead byte without its
    // trail byte at the end of the meaning.
    ToolRun run = RunTool({"--json", dir.Write("odd.txt", "say \"hi\\\"\t" + kPing + "\xC6\n")});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\"word\": \"say \\\"hi\\\\\\\"\\t\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"meaning\": \"\xE8\x8B\xB9\xEF\xBF\xBD\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"meaningHex\": \"c6bbc6\""), std::string::npos) << run.out;

    ToolRun empty = RunTool({"--json", dir.Write("empty.txt", "")});
    EXPECT_EQ(empty.out, "{\"encoding\": \"GBK\", \"wordCount\": 0, \"records\": []}\n");
}

// Text as Notepad saves it as "Unicode": UTF-16 with a byte order mark.
std::string Utf16WithMark(std::u16string_view text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : text) {
        const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

// Mostly English: more than half of the bytes are NUL, as in a dictionary.
constexpr std::u16string_view kEnglishHeavy = u"a long english phrase \u82f9\u679c\nanother long english phrase \u9999\n";

struct NoteCase {
    const char* name;
    std::string file;
    std::vector<std::string> expected;  // each must appear in the output
};

TEST(KestranList, NotesNameTheLinesThatSurprise) {
    const std::string long130(130, 'w');
    std::string longMeaning;
    for (int i = 0; i < 64; ++i) longMeaning += kPing;
    const NoteCase cases[] = {
        {"merged line", "Unit 1\napple " + kApple + "\n",
         {"1 entry, read as GBK\n", "line 1: no Chinese on line 1, so the text runs into the word of the entry on line 2",
          "\"Unit 1\\napple\""}},
        {"glued digits and an empty word", "apple " + kApple + "\n3D " + kPing + "\n100 " + kPing + "\n",
         {"3 entries, read as GBK\n", "line 2: the number \"3\" at the start of the word is dropped: the word is \"D\"",
          "line 3: the number \"100\" at the start is dropped, which leaves the word empty"}},
        {"a tab", "apple\t" + kApple + "\n", {"line 1: the word \"apple\\t\" keeps a tab (0x09)"}},
        {"a line that starts with Chinese", "a " + kApple + "\n" + kApple + "\n",
         {"line 2: the line starts with Chinese, so the entry's word is empty"}},
        {"a too-long word", "a " + kApple + "\n" + long130 + kApple + "\nb " + kBanana + "\n",
         {"line 2: no Chinese within 127 bytes: the word is cut to 126 bytes and the entry gets no meaning; the rest "
          "of the line is read as the next entry",
          "line 3: not read as an entry"}},
        {"a too-long meaning", "a " + longMeaning + "\nb " + kBanana + "\n",
         {"line 1: the meaning is longer than 126 bytes and is cut there; the rest of the line is read as the next "
          "entry",
          "line 2: not read as an entry"}},
        {"bytes that are not GBK", "a " + kApple + "\nb \x80" + kBanana + "\n",
         {"line 2: byte 0x80 at column 3 is not valid GBK"}},
        {"UTF-8", "apple \xE8\x8B\xB9\xE6\x9E\x9C\n", {"1 entry, read as UTF-8, nothing to note\n"}},
        {"UTF-16 with a byte order mark", std::string("\xFF\xFE" "a\0 \0\x79\x82", 8),
         {"1 entry, read as UTF-16LE, nothing to note\n"}},
        {"mostly English UTF-16LE with a byte order mark", Utf16WithMark(kEnglishHeavy, false),
         {"2 entries, read as UTF-16LE, nothing to note\n"}},
        {"mostly English UTF-16BE with a byte order mark", Utf16WithMark(kEnglishHeavy, true),
         {"2 entries, read as UTF-16BE, nothing to note\n"}},
        {"UTF-16 without a byte order mark", std::string("a\0 \0\x79\x82\n\0", 8),
         {"looks like UTF-16 without a byte order mark", "iconv -f UTF-16LE -t UTF-8 "}},
        {"GBK that is also valid UTF-8", "school \xD1\xA7\xD0\xA3\n",
         {"1 entry, read as GBK\n", "also valid UTF-8, but line 1 holds no Chinese when read so"}},
        {"characters GBK does not have", "apple \xE8\x8B\xB9\nsmile \xF0\x9F\x98\x80\xE7\xAC\x91\nkorean \xED\x95\x9C\xEA\xB8\x80 \xE9\x9F\xA9\n",
         {"3 entries, read as UTF-8\n", "line 2: 1 character that GBK does not have becomes \"?\"\n",
          "line 3: 2 characters that GBK does not have become \"?\"\n"}},
        {"a NUL in a meaning", "apple " + kPing + std::string("\0x", 2) + kPing + "\n",
         {"line 1: a NUL byte (0x00) cuts the meaning short: it shows as \"\xE8\x8B\xB9\""}},
        {"0x1A", "a " + kApple + "\n\x1A" "b " + kBanana + "\n",
         {"1 entry, read as GBK\n", "line 2: byte 0x1A reads as the end of the file; the 7 bytes after it are ignored"}},
        {"0xFF", "a " + kApple + "\n\xFF\nb " + kBanana + "\nc " + kBanana + "\n",
         {"1 entry, read as GBK\n", "line 2: byte 0xFF ends the reading of the list here; 2 lines with Chinese after it are not loaded"}},
        {"CR line ends", "a " + kApple + "\rb " + kBanana + "\r",
         {"1 entry, read as GBK\n", "line 1: a CR (0x0D) without an LF after it does not end a line"}},
        {"text after the last entry", "a " + kApple + "\nthe end\n",
         {"line 2: no Chinese after the last entry, so this text is ignored"}},
        {"no Chinese at all", "apple\n", {"0 entries", "no line holds Chinese"}},
        {"a numbered clean list", testing::kWorkedExample, {"3 entries, read as GBK, nothing to note\n"}},
    };
    TempDir dir;
    int n = 0;
    for (const auto& c : cases) {
        ToolRun run = RunTool({dir.Write("case" + std::to_string(n++) + ".txt", c.file)});
        EXPECT_EQ(run.status, 0) << c.name;
        for (const auto& text : c.expected) EXPECT_NE(run.out.find(text), std::string::npos) << c.name << "\n" << run.out;
    }
}

TEST(KestranList, ALineAfterANulLedLineIsReportedAsTheLoaderReadsIt) {
    TempDir dir;
    // The NUL and its line run into the word of line 2, which the NUL cuts
    // to nothing; line 2 itself starts with a word, not with Chinese.
    ToolRun run = RunTool({dir.Write("led-by-nul.txt", std::string("\0\napple ", 8) + kApple + "\n")});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("line 1: a NUL byte (0x00) cuts the word of the entry on line 2 short: it is stored as \"\""),
              std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("starts with Chinese"), std::string::npos) << run.out;

    ToolRun led = RunTool({dir.Write("led.txt", std::string("\0", 1) + kApple + "\n")});
    EXPECT_NE(led.out.find("line 1: a NUL byte (0x00) cuts the word short"), std::string::npos) << led.out;
    EXPECT_EQ(led.out.find("starts with Chinese"), std::string::npos) << led.out;
}

TEST(KestranList, NotesOfOneKindStopAtTenWithACountOfTheRest) {
    TempDir dir;
    std::string tabs;
    for (int i = 0; i < 30; ++i) tabs += "w" + std::to_string(i) + "\t" + kApple + "\n";
    ToolRun run = RunTool({dir.Write("tabs.txt", tabs)});
    EXPECT_EQ(run.status, 0);
    std::size_t listed = 0;
    for (std::size_t at = run.out.find("keeps a tab"); at != std::string::npos; at = run.out.find("keeps a tab", at + 1))
        ++listed;
    EXPECT_EQ(listed, 10u);
    EXPECT_NE(run.out.find("line 10: the word \"w9\\t\""), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("line 11:"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\nnote: 20 more notes about tabs and control bytes kept in words are not listed\n"),
              std::string::npos) << run.out;

    // Random bytes draw every kind of note, each kind capped alike. (A
    // 0xFF or 0x1A would end the list at once.)
    std::string noise;
    std::uint32_t seed = 12345;
    for (int i = 0; i < 400000; ++i) {
        seed = seed * 1103515245u + 12345u;
        const std::uint32_t byte = std::min<std::uint32_t>(seed >> 24, 0xFE);
        noise += static_cast<char>(byte == 0x1A ? 0x1B : byte);
    }
    ToolRun random = RunTool({dir.Write("noise.txt", noise)});
    EXPECT_EQ(random.status, 0);
    const auto lines = std::count(random.out.begin(), random.out.end(), '\n');
    EXPECT_GT(lines, 10);
    EXPECT_LE(lines, 1 + 12 * 11) << "at most ten of each kind and a count";
}

TEST(KestranList, CommandLinePaths) {
    TempDir dir;
    ToolRun empty = RunTool({""});
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err, "kestran-list: the path is empty\n");

    // A file named -x, checked after -- in both modes.
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    dir.Write("-x", "apple " + kApple + "\n");
    ToolRun dashed = RunTool({"--", "-x"});
    ToolRun dashedJson = RunTool({"--json", "--", "-x"});
    ToolRun option = RunTool({"-x"});
    std::filesystem::current_path(previous);
    EXPECT_EQ(dashed.status, 0) << dashed.err;
    EXPECT_EQ(dashed.out.find("-x: 1 entry, read as GBK"), 0u) << dashed.out;
    EXPECT_EQ(dashedJson.status, 0) << dashedJson.err;
    EXPECT_NE(dashedJson.out.find("\"wordCount\": 1"), std::string::npos);
    EXPECT_EQ(option.status, 2) << "without -- it is an unknown option";
}

// A stream whose device is full.
class FullDevice : public std::streambuf {
protected:
    int overflow(int) override { return traits_type::eof(); }
    std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

TEST(KestranList, OutputThatCannotBeWrittenIsAFailure) {
    TempDir dir;
    const std::string list = dir.Write("fruit.txt", testing::kWorkedExample);
    for (const auto& args : std::vector<std::vector<std::string>>{{list}, {"--json", list}, {"--help"}}) {
        FullDevice device;
        std::ostream out(&device);
        std::ostringstream err;
        EXPECT_EQ(listtool::RunKestranList(args, out, err), 1) << args[0];
        EXPECT_EQ(err.str().find("kestran-list: cannot write the output"), 0u) << err.str();
    }
}

TEST(KestranList, ExitStatuses) {
    TempDir dir;
    for (const auto& args : std::vector<std::vector<std::string>>{{(dir.path() / "missing.txt").string()},
                                                                 {"--json", (dir.path() / "missing.txt").string()},
                                                                 {dir.path().string()}}) {
        ToolRun run = RunTool(args);
        EXPECT_EQ(run.status, 1) << args.back();
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.find("kestran-list: cannot open "), 0u) << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
    }
    EXPECT_EQ(RunTool({}).status, 2);
    EXPECT_EQ(RunTool({"--json"}).status, 2);
    EXPECT_EQ(RunTool({"--frobnicate", "x"}).status, 2);
    ToolRun help = RunTool({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("GBK"), std::string::npos);
}

}  // namespace
}  // namespace kestran

// The list checker: its JSON, its notes and its exit statuses.
#include <gtest/gtest.h>

#include <sstream>
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
              "{\"wordCount\": 3, \"records\": [\n"
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
    EXPECT_EQ(empty.out, "{\"wordCount\": 0, \"records\": []}\n");
}

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
         {"1 entry\n", "line 1: no Chinese on line 1, so the text runs into the word of the entry on line 2",
          "\"Unit 1\\napple\""}},
        {"glued digits and an empty word", "apple " + kApple + "\n3D " + kPing + "\n100 " + kPing + "\n",
         {"3 entries\n", "line 2: the number \"3\" at the start of the word is dropped: the word is \"D\"",
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
        {"UTF-8", "apple \xE8\x8B\xB9\xE6\x9E\x9C\n", {"looks like UTF-8", "iconv -f UTF-8 -t GBK "}},
        {"UTF-16 with a byte order mark", std::string("\xFF\xFE" "a\0 \0\x79\x82", 8),
         {"0 entries", "looks like UTF-16", "iconv -f UTF-16 -t GBK "}},
        {"0x1A", "a " + kApple + "\n\x1A" "b " + kBanana + "\n",
         {"1 entry\n", "line 2: byte 0x1A reads as the end of the file; the 7 bytes after it are ignored"}},
        {"0xFF", "a " + kApple + "\n\xFF\nb " + kBanana + "\nc " + kBanana + "\n",
         {"1 entry\n", "line 2: byte 0xFF ends the reading of the list here; 2 lines with Chinese after it are not loaded"}},
        {"CR line ends", "a " + kApple + "\rb " + kBanana + "\r",
         {"1 entry\n", "line 1: a CR (0x0D) without an LF after it does not end a line"}},
        {"text after the last entry", "a " + kApple + "\nthe end\n",
         {"line 2: no Chinese after the last entry, so this text is ignored"}},
        {"no Chinese at all", "apple\n", {"0 entries", "no line holds Chinese"}},
        {"a numbered clean list", testing::kWorkedExample, {"3 entries, nothing to note\n"}},
    };
    TempDir dir;
    int n = 0;
    for (const auto& c : cases) {
        ToolRun run = RunTool({dir.Write("case" + std::to_string(n++) + ".txt", c.file)});
        EXPECT_EQ(run.status, 0) << c.name;
        for (const auto& text : c.expected) EXPECT_NE(run.out.find(text), std::string::npos) << c.name << "\n" << run.out;
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

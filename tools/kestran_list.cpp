#include "tools/kestran_list.h"

#include "tools/list_check.h"
#include "tools/list_file.h"
#include "tools/list_json.h"

namespace kestran::listtool {
namespace {

constexpr const char* kUsage =
    "usage: kestran-list FILE          check a word list and explain surprising lines\n"
    "       kestran-list --json FILE   print the entries as the drill stores them, as JSON\n"
    "       kestran-list --help        explain the list format\n";

constexpr const char* kFormatHelp =
    "\n"
    "A word list is a text file in GBK (code page 936), one entry per line:\n"
    "\n"
    "    apple 苹果\n"
    "    ice cream 冰淇淋\n"
    "    run 跑 (v.)\n"
    "\n"
    "  - The word is everything before the first Chinese byte (0x80 or above);\n"
    "    spaces around it are removed, spaces inside it are kept. A tab is kept,\n"
    "    and a word with a tab never matches what is typed.\n"
    "  - The meaning runs from that byte to the end of the line, ASCII included.\n"
    "  - A number at the start of a line is skipped (\"3 cherry 樱桃\"); so are digits\n"
    "    glued to a word: \"3D 三维\" gives the word \"D\".\n"
    "  - Blank lines are skipped. A line without Chinese is not an entry: its text\n"
    "    and line break become the start of the next entry's word.\n"
    "  - Words and meanings hold at most 126 bytes; a longer one is cut and the\n"
    "    rest of its line is read as the next entry.\n"
    "  - CR LF and LF line ends both work. A byte 0x1A ends the file; a byte 0xFF\n"
    "    ends the list.\n"
    "\n"
    "kestran-list FILE prints the number of entries and a note for each line\n"
    "that will not load the way it looks. Save UTF-8 or UTF-16 files as GBK\n"
    "first; the note prints the iconv command that does it.\n";

int Check(const std::string& path, bool json, std::ostream& out, std::ostream& err) {
    std::string raw, error;
    if (!ReadWholeFile(path.c_str(), raw, error)) {
        err << "kestran-list: cannot open " << path << ": " << error << "\n";
        return 1;
    }
    ListCheck check = CheckList(raw, path);
    if (!check.parse.loaded) {
        err << "kestran-list: " << path << ": " << check.parse.count.entryLines
            << " entries are more than memory can hold\n";
        return 1;
    }
    if (json) {
        out << WordListJson(check.blocks);
        return 0;
    }
    const std::int32_t count = check.blocks.wordCount;
    out << path << ": " << count << (count == 1 ? " entry" : " entries");
    out << (check.notes.empty() ? ", nothing to note\n" : "\n");
    for (const ListNote& note : check.notes) {
        if (note.line == 0) out << "note: " << note.text << "\n";
        else out << "line " << note.line << ": " << note.text << "\n";
    }
    return 0;
}

}  // namespace

int RunKestranList(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << kUsage << kFormatHelp;
        return 0;
    }
    if (args.size() == 1 && !args[0].starts_with("-")) return Check(args[0], false, out, err);
    if (args.size() == 2 && args[0] == "--json") return Check(args[1], true, out, err);
    err << kUsage;
    return 2;
}

}  // namespace kestran::listtool

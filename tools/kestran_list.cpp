#include "tools/kestran_list.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "tools/list_check.h"
#include "tools/list_file.h"
#include "tools/list_json.h"

namespace kestran::listtool {
namespace {

constexpr const char* kUsage =
    "usage: kestran-list FILE          check a word list and explain surprising lines\n"
    "       kestran-list --json FILE   print the entries as the drill stores them, as JSON\n"
    "       kestran-list --help        explain the list format\n"
    "       (put -- before a FILE whose name starts with -)\n";

constexpr const char* kFormatHelp =
    "\n"
    "A word list is a text file, one entry per line, saved as GBK (code page 936),\n"
    "as UTF-8 (with or without a byte order mark) or as UTF-16 with a byte order\n"
    "mark; anything but GBK is converted to GBK when the list is opened, and\n"
    "characters GBK does not have become \"?\":\n"
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
    "kestran-list FILE prints the number of entries, the encoding it read, and a\n"
    "note for each line that will not load the way it looks (at most 10 of a\n"
    "kind; the rest are counted).\n";

int Check(const std::string& path, bool json, std::ostream& out, std::ostream& err) {
    if (path.empty()) {
        err << "kestran-list: the path is empty\n";
        return 1;
    }
    std::string bytes, error;
    if (!ReadWholeFile(path.c_str(), bytes, error)) {
        err << "kestran-list: cannot open " << path << ": " << error << "\n";
        return 1;
    }
    ListCheck check = CheckList(bytes, path);
    bytes = std::string();
    if (!check.parse.loaded) {
        err << "kestran-list: " << path << ": " << check.parse.count.entryLines
            << " entries are more than memory can hold\n";
        return 1;
    }
    if (json) {
        WriteWordListJson(out, check.blocks, ListEncodingName(check.encoding));
        return 0;
    }
    const std::int32_t count = check.blocks.wordCount;
    out << path << ": " << count << (count == 1 ? " entry" : " entries") << ", read as "
        << ListEncodingName(check.encoding);
    out << (check.notes.empty() ? ", nothing to note\n" : "\n");
    for (const ListNote& note : check.notes) {
        if (!out) break;
        if (note.line == 0 || note.line == ListNote::kAfterAllLines) out << "note: " << note.text << "\n";
        else out << "line " << note.line << ": " << note.text << "\n";
    }
    return 0;
}

// A full disk or a closed pipe must not pass for a checked list.
int OutputWritten(int status, std::ostream& out, std::ostream& err) {
    errno = 0;
    out.flush();
    if (out) return status;
    const int cause = errno;
    err << "kestran-list: cannot write the output" << (cause != 0 ? std::string(": ") + std::strerror(cause) : "")
        << "\n";
    return 1;
}

}  // namespace

int RunKestranList(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    bool json = false, help = false, unknownOption = false, optionsEnd = false;
    std::vector<std::string> paths;
    for (const std::string& arg : args) {
        if (!optionsEnd && arg == "--") optionsEnd = true;
        else if (!optionsEnd && arg == "--json") json = true;
        else if (!optionsEnd && (arg == "--help" || arg == "-h")) help = true;
        else if (!optionsEnd && arg.size() > 1 && arg[0] == '-') unknownOption = true;
        else paths.push_back(arg);
    }
    if (help && !json && paths.empty()) {
        out << kUsage << kFormatHelp;
        return OutputWritten(0, out, err);
    }
    if (help || unknownOption || paths.size() != 1) {
        err << kUsage;
        return 2;
    }
    try {
        return OutputWritten(Check(paths[0], json, out, err), out, err);
    } catch (const std::bad_alloc&) {
        err << "kestran-list: " << paths[0] << ": not enough memory to check this list\n";
        return 1;
    }
}

}  // namespace kestran::listtool

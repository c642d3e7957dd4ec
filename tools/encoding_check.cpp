#include "tools/encoding_check.h"

namespace kestran::listtool {

namespace {

bool IsShellSafe(const std::string& path) {
    if (path.empty()) return false;
    for (char c : path) {
        bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                    c == '_' || c == '-' || c == '/' || c == '+' || c == ',';
        if (!safe) return false;
    }
    return true;
}

std::string ShellQuoted(const std::string& path) {
    if (IsShellSafe(path)) return path;
    std::string quoted = "'";
    for (char c : path) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + "'";
}

std::string Utf8CopyName(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + "-utf8";
    return path.substr(0, dot) + "-utf8" + path.substr(dot);
}

}  // namespace

std::string ConversionCommand(UnmarkedUtf16 encoding, const std::string& path) {
    if (encoding == UnmarkedUtf16::kNone) return {};
    const char* from = encoding == UnmarkedUtf16::kLittleEndian ? "UTF-16LE" : "UTF-16BE";
    return std::string("iconv -f ") + from + " -t UTF-8 " + ShellQuoted(path) + " > " + ShellQuoted(Utf8CopyName(path));
}

std::size_t FirstInvalidGbk(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        if (b == 0x80 || b == 0xFF || i + 1 >= text.size()) return i;
        auto t = static_cast<unsigned char>(text[i + 1]);
        if (t < 0x40 || t == 0x7F || t == 0xFF) return i;
        i += 2;
    }
    return std::string_view::npos;
}

}  // namespace kestran::listtool

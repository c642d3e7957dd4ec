#include "tools/encoding_check.h"

namespace kestran::listtool {
namespace {

bool StartsWith(std::string_view raw, std::string_view prefix) { return raw.substr(0, prefix.size()) == prefix; }

// True when every byte belongs to a well-formed UTF-8 sequence; `multiByte`
// tells whether any sequence was longer than one byte.
bool IsUtf8(std::string_view raw, bool& multiByte) {
    multiByte = false;
    for (std::size_t i = 0; i < raw.size();) {
        auto b = static_cast<unsigned char>(raw[i]);
        std::size_t length = b < 0x80 ? 1 : (b >= 0xC2 && b <= 0xDF) ? 2 : (b >= 0xE0 && b <= 0xEF) ? 3
                                                                   : (b >= 0xF0 && b <= 0xF4)   ? 4
                                                                                                : 0;
        if (length == 0 || i + length > raw.size()) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(raw[i + k]) & 0xC0) != 0x80) return false;
        if (length > 1) multiByte = true;
        i += length;
    }
    return true;
}

// NULs in most odd (LE) or even (BE) positions of the first bytes.
ForeignEncoding Utf16ByNuls(std::string_view raw) {
    std::string_view head = raw.substr(0, 4096);
    std::size_t pairs = head.size() / 2, evenNuls = 0, oddNuls = 0;
    if (pairs < 2) return ForeignEncoding::kNone;
    for (std::size_t i = 0; i + 1 < head.size(); i += 2) {
        if (head[i] == '\0') ++evenNuls;
        if (head[i + 1] == '\0') ++oddNuls;
    }
    if (oddNuls * 2 > pairs && evenNuls * 8 < pairs) return ForeignEncoding::kUtf16LE;
    if (evenNuls * 2 > pairs && oddNuls * 8 < pairs) return ForeignEncoding::kUtf16BE;
    return ForeignEncoding::kNone;
}

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

std::string GbkCopyName(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + "-gbk";
    return path.substr(0, dot) + "-gbk" + path.substr(dot);
}

}  // namespace

ForeignEncoding DetectForeignEncoding(std::string_view raw) {
    if (StartsWith(raw, "\xEF\xBB\xBF")) return ForeignEncoding::kUtf8WithBom;
    if (StartsWith(raw, "\xFF\xFE") || StartsWith(raw, "\xFE\xFF")) return ForeignEncoding::kUtf16WithBom;
    ForeignEncoding utf16 = Utf16ByNuls(raw);
    if (utf16 != ForeignEncoding::kNone) return utf16;
    bool multiByte = false;
    if (IsUtf8(raw, multiByte) && multiByte) return ForeignEncoding::kUtf8;
    return ForeignEncoding::kNone;
}

const char* EncodingName(ForeignEncoding encoding) {
    switch (encoding) {
        case ForeignEncoding::kUtf8: return "UTF-8";
        case ForeignEncoding::kUtf8WithBom: return "UTF-8 with a byte order mark";
        case ForeignEncoding::kUtf16WithBom: return "UTF-16";
        case ForeignEncoding::kUtf16LE: return "UTF-16LE";
        case ForeignEncoding::kUtf16BE: return "UTF-16BE";
        case ForeignEncoding::kNone: break;
    }
    return "GBK";
}

std::string ConversionCommand(ForeignEncoding encoding, const std::string& path) {
    const std::string in = ShellQuoted(path);
    const std::string out = ShellQuoted(GbkCopyName(path));
    switch (encoding) {
        case ForeignEncoding::kUtf8: return "iconv -f UTF-8 -t GBK " + in + " > " + out;
        // iconv keeps the mark as a character GBK does not have; skip it.
        case ForeignEncoding::kUtf8WithBom: return "tail -c +4 " + in + " | iconv -f UTF-8 -t GBK > " + out;
        case ForeignEncoding::kUtf16WithBom: return "iconv -f UTF-16 -t GBK " + in + " > " + out;
        case ForeignEncoding::kUtf16LE: return "iconv -f UTF-16LE -t GBK " + in + " > " + out;
        case ForeignEncoding::kUtf16BE: return "iconv -f UTF-16BE -t GBK " + in + " > " + out;
        case ForeignEncoding::kNone: break;
    }
    return {};
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

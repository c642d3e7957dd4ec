#include "tools/list_json.h"

#include <cstdio>
#include <cstring>

#include "platform/gbk.h"

namespace kestran::listtool {
namespace {

std::string LowerHex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        hex += kDigits[b >> 4];
        hex += kDigits[b & 0x0F];
    }
    return hex;
}

std::string_view Field(const char (&field)[kWordFieldSize]) { return {field, strnlen(field, kWordFieldSize)}; }

}  // namespace

std::string JsonString(std::string_view utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char esc[8];
                    std::snprintf(esc, sizeof esc, "\\u%04x", static_cast<unsigned char>(c));
                    out += esc;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

void WriteWordListJson(std::ostream& out, const WordListBlocks& blocks, std::string_view encoding) {
    out << "{\"encoding\": " << JsonString(encoding) << ", \"wordCount\": " << blocks.wordCount << ", \"records\": [";
    std::string line;
    for (std::int32_t i = 0; i < blocks.wordCount && out; ++i) {
        const WordRecord& r = blocks.table[i];
        line = i == 0 ? "\n  " : ",\n  ";
        line += "{\"word\": " + JsonString(plat::GbkToUtf8(Field(r.word)));
        line += ", \"meaning\": " + JsonString(plat::GbkToUtf8(Field(r.meaning)));
        line += ", \"wordHex\": \"" + LowerHex(Field(r.word));
        line += "\", \"meaningHex\": \"" + LowerHex(Field(r.meaning)) + "\"}";
        out << line;
    }
    out << (blocks.wordCount > 0 ? "\n]}\n" : "]}\n");
}

}  // namespace kestran::listtool

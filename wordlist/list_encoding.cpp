#include "wordlist/list_encoding.h"

#include <algorithm>
#include <cstring>

#include "platform/gbk.h"

namespace kestran {
namespace {

ListEncoding ByteOrderMark(std::string_view head) {
    if (head.starts_with("\xEF\xBB\xBF")) return ListEncoding::kUtf8WithBom;
    if (head.starts_with("\xFF\xFE")) return ListEncoding::kUtf16LE;
    if (head.starts_with("\xFE\xFF")) return ListEncoding::kUtf16BE;
    return ListEncoding::kGbk;
}

std::size_t MarkLength(ListEncoding encoding) {
    switch (encoding) {
        case ListEncoding::kUtf8WithBom: return 3;
        case ListEncoding::kUtf16LE:
        case ListEncoding::kUtf16BE: return 2;
        default: return 0;
    }
}

// Han characters and the punctuation and full-width forms of Chinese text.
bool IsChinese(std::uint32_t c) {
    return (c >= 0x2E80 && c <= 0x2FDF) || (c >= 0x3000 && c <= 0x303F) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x2FA1F);
}

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

void AppendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Where the piece converted next ends: about `chunk` bytes on, never inside
// a UTF-8 character.
std::size_t PieceEnd(std::string_view text, std::size_t from, std::size_t chunk, bool utf16) {
    const std::size_t size = text.size();
    // UTF-16: an even number of bytes; the caller keeps surrogate pairs whole.
    if (utf16) return std::min(size, from + std::max<std::size_t>(2, chunk & ~std::size_t{1}));
    std::size_t end = std::min(size, from + std::max<std::size_t>(1, chunk));
    std::size_t back = end;
    while (back > from && back < size && back > end - 3 && IsContinuation(text[back])) --back;
    if (back > from && (back == size || !IsContinuation(text[back]))) return back;
    // The piece is shorter than one character: take the whole character.
    end = from + 1;
    while (end < size && end - from < 4 && IsContinuation(text[end])) ++end;
    return end;
}

// How much of the start of a file the unmarked UTF-16 guess looks at.
constexpr std::size_t kUtf16Look = 4096;

std::int64_t Questions(std::string_view s) { return std::count(s.begin(), s.end(), '?'); }

// Counts, line by line, the characters the conversion turned into "?".
void ReportLoss(std::string_view utf8, std::string_view gbk, std::int64_t firstLine, const LossReport& onLoss) {
    if (Questions(gbk) == Questions(utf8)) return;
    std::int64_t line = firstLine;
    for (std::size_t start = 0;; ++line) {
        std::size_t lf = utf8.find('\n', start);
        std::string_view piece = utf8.substr(start, lf == std::string_view::npos ? std::string_view::npos : lf - start);
        if (std::any_of(piece.begin(), piece.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
            std::int64_t lost = Questions(plat::Utf8ToGbk(piece)) - Questions(piece);
            if (lost > 0) onLoss(line, lost);
        }
        if (lf == std::string_view::npos) break;
        start = lf + 1;
    }
}

}  // namespace

const char* ListEncodingName(ListEncoding encoding) {
    switch (encoding) {
        case ListEncoding::kUtf8: return "UTF-8";
        case ListEncoding::kUtf8WithBom: return "UTF-8 with BOM";
        case ListEncoding::kUtf16LE: return "UTF-16LE";
        case ListEncoding::kUtf16BE: return "UTF-16BE";
        case ListEncoding::kGbk: break;
    }
    return "GBK";
}

bool EncodingSniffer::Feed(std::string_view bytes) {
    if (decided_) return false;
    if (start_.size() < kUtf16Look) start_.append(bytes.substr(0, kUtf16Look - start_.size()));
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        // ASCII between characters, the bulk of a list: only line ends count.
        if (b < 0x80 && need_ == 0 && !gbkLead_ && head_.size() >= 3) {
            if (b == '\n') EndLine();
            continue;
        }
        if (head_.size() < 3) {
            head_ += ch;
            if (ByteOrderMark(head_) != ListEncoding::kGbk) return !(decided_ = true);
        }
        if (utf8Ok_) {
            if (need_ == 0) {
                if (b >= 0x80) {
                    beyondAscii_ = true;
                    low_ = 0x80, high_ = 0xBF;
                    if (b >= 0xC2 && b <= 0xDF) need_ = 1, codePoint_ = b & 0x1F;
                    else if (b >= 0xE0 && b <= 0xEF) need_ = 2, codePoint_ = b & 0x0F;
                    else if (b >= 0xF0 && b <= 0xF4) need_ = 3, codePoint_ = b & 0x07;
                    else utf8Ok_ = false;
                    // No overlong forms, no surrogates, nothing beyond U+10FFFF.
                    if (b == 0xE0) low_ = 0xA0;
                    if (b == 0xED) high_ = 0x9F;
                    if (b == 0xF0) low_ = 0x90;
                    if (b == 0xF4) high_ = 0x8F;
                }
            } else if (b < low_ || b > high_) {
                utf8Ok_ = false;
            } else {
                codePoint_ = codePoint_ << 6 | (b & 0x3F);
                low_ = 0x80, high_ = 0xBF;
                if (--need_ == 0) EndCharacter(codePoint_);
            }
        }
        if (gbkLead_) {
            if (b < 0x40 || b == 0x7F || b == 0xFF) gbkOk_ = false;
            gbkLead_ = false;
        } else if (b >= 0x80) {
            if (b == 0x80 || b == 0xFF) gbkOk_ = false;
            else gbkLead_ = true;
        }
        if (b == '\n') EndLine();
        else if (b >= 0x80) lineHighByte_ = true;
        // Not UTF-8 and past any mark: GBK, whatever follows.
        if (!utf8Ok_ && head_.size() >= 3) return !(decided_ = true);
    }
    return true;
}

void EncodingSniffer::EndCharacter(std::uint32_t codePoint) {
    if (IsChinese(codePoint)) lineChinese_ = true;
}

void EncodingSniffer::EndLine() {
    if (lineHighByte_ && !lineChinese_ && utf8LineWithoutChinese_ == 0) utf8LineWithoutChinese_ = line_;
    ++line_;
    lineHighByte_ = lineChinese_ = false;
}

std::int64_t EncodingSniffer::Utf8LineWithoutChinese() const {
    if (utf8LineWithoutChinese_ == 0 && lineHighByte_ && !lineChinese_) return line_;
    return utf8LineWithoutChinese_;
}

ListEncoding EncodingSniffer::Result() const {
    ListEncoding mark = ByteOrderMark(head_);
    if (mark != ListEncoding::kGbk) return mark;
    if (!utf8Ok_ || need_ != 0 || !beyondAscii_) return ListEncoding::kGbk;
    if (!gbkOk_ || gbkLead_) return ListEncoding::kUtf8;
    return Utf8LineWithoutChinese() == 0 ? ListEncoding::kUtf8 : ListEncoding::kGbk;
}

UnmarkedUtf16 EncodingSniffer::UnmarkedUtf16Guess() const {
    if (Result() != ListEncoding::kGbk) return UnmarkedUtf16::kNone;
    const std::size_t pairs = start_.size() / 2;
    if (pairs < 2) return UnmarkedUtf16::kNone;
    std::size_t evenNuls = 0, oddNuls = 0;
    for (std::size_t i = 0; i + 1 < start_.size(); i += 2) {
        if (start_[i] == '\0') ++evenNuls;
        if (start_[i + 1] == '\0') ++oddNuls;
    }
    if (oddNuls * 2 > pairs && evenNuls * 8 < pairs) return UnmarkedUtf16::kLittleEndian;
    if (evenNuls * 2 > pairs && oddNuls * 8 < pairs) return UnmarkedUtf16::kBigEndian;
    return UnmarkedUtf16::kNone;
}

ListEncoding DetectListEncoding(std::string_view raw) {
    EncodingSniffer sniffer;
    sniffer.Feed(raw);
    return sniffer.Result();
}

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    auto unit = [&](std::size_t at) -> std::uint32_t {
        auto first = static_cast<unsigned char>(bytes[at]), second = static_cast<unsigned char>(bytes[at + 1]);
        return bigEndian ? (first << 8 | second) : (second << 8 | first);
    };
    std::size_t i = 0;
    while (i + 1 < bytes.size()) {
        std::uint32_t u = unit(i);
        i += 2;
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < bytes.size()) {
            std::uint32_t low = unit(i);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? 0xFFFD : u);
    }
    if (i < bytes.size()) AppendUtf8(out, 0xFFFD);
    return out;
}

void ConvertToGbkInPlace(std::string& text, ListEncoding encoding, const LossReport& onLoss, std::size_t chunkBytes) {
    if (encoding == ListEncoding::kGbk) return;
    const bool utf16 = encoding == ListEncoding::kUtf16LE || encoding == ListEncoding::kUtf16BE;
    const bool bigEndian = encoding == ListEncoding::kUtf16BE;
    std::size_t read = std::min(MarkLength(encoding), text.size()), write = 0;
    std::int64_t line = 1;
    while (read < text.size()) {
        std::size_t end = PieceEnd(text, read, chunkBytes, utf16);
        // A high surrogate last: take the next unit along, its partner or not.
        auto highSurrogateLast = [&] {
            auto high = static_cast<unsigned char>(bigEndian ? text[end - 2] : text[end - 1]);
            return high >= 0xD8 && high <= 0xDB;
        };
        while (utf16 && end + 1 < text.size() && highSurrogateLast()) end += 2;
        std::string_view piece(text.data() + read, end - read);
        std::string wide = utf16 ? Utf16ToUtf8(piece, bigEndian) : std::string();
        std::string_view utf8 = utf16 ? std::string_view(wide) : piece;
        std::string gbk = plat::Utf8ToGbk(utf8);
        if (onLoss) ReportLoss(utf8, gbk, line, onLoss);
        line += std::count(utf8.begin(), utf8.end(), '\n');
        if (write + gbk.size() <= end) {
            // The usual case: GBK never takes more bytes than UTF-8 or UTF-16.
            std::memcpy(text.data() + write, gbk.data(), gbk.size());
            write += gbk.size();
            read = end;
        } else {
            text.replace(write, end - write, gbk);
            write += gbk.size();
            read = write;
        }
    }
    text.resize(write);
}

}  // namespace kestran

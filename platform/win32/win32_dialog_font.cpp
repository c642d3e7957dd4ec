#include "platform/win32/win32_dialog_font.h"

#include <cstring>

#include "platform/win32/windows_fence.h"

namespace plat::win32 {
namespace {

class Reader {
public:
    explicit Reader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    bool Word(std::uint16_t& value) {
        if (at_ + 2 > bytes_.size()) return false;
        std::memcpy(&value, bytes_.data() + at_, 2);
        at_ += 2;
        return true;
    }
    bool Skip(std::size_t n) {
        if (at_ + n > bytes_.size()) return false;
        at_ += n;
        return true;
    }
    // A name, an ordinal (0xFFFF and a number) or nothing (0).
    bool SkipNameOrOrdinal() {
        std::uint16_t first = 0;
        if (!Word(first)) return false;
        if (first == 0xFFFF) return Skip(2);
        return first == 0 || SkipText();
    }
    bool SkipText() {
        for (std::uint16_t c = 1; c != 0;)
            if (!Word(c)) return false;
        return true;
    }
    std::size_t At() const { return at_; }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t at_ = 0;
};

constexpr std::size_t Aligned(std::size_t n) { return (n + 3) & ~std::size_t{3}; }

struct Resolved {
    std::wstring face;
    int charset = -1;
};

// The face and character set GDI picks for the font asked in `charset`.
Resolved Resolve(const TemplateFont& font, int charset) {
    HDC screen = ::GetDC(nullptr);
    const int pixels = ::MulDiv(font.pointSize, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
    HFONT made = ::CreateFontW(-pixels, 0, 0, 0, font.weight, font.italic, FALSE, FALSE, static_cast<DWORD>(charset),
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_DONTCARE,
                               font.face.c_str());
    Resolved resolved;
    if (made) {
        wchar_t face[LF_FACESIZE] = {};
        HGDIOBJ old = ::SelectObject(screen, made);
        ::GetTextFaceW(screen, LF_FACESIZE, face);
        resolved = {face, ::GetTextCharset(screen)};
        ::SelectObject(screen, old);
        ::DeleteObject(made);
    }
    ::ReleaseDC(nullptr, screen);
    return resolved;
}

}  // namespace

bool FindTemplateFont(const std::vector<std::uint8_t>& bytes, TemplateFont& font) {
    Reader reader(bytes);
    std::uint16_t version = 0, signature = 0, styleLow = 0;
    // version, signature, help id, extended style, style, item count, place and size
    if (!reader.Word(version) || !reader.Word(signature) || version != 1 || signature != 0xFFFF) return false;
    if (!reader.Skip(8) || !reader.Word(styleLow) || !reader.Skip(2 + 2 + 8)) return false;
    if (!(styleLow & DS_SETFONT)) return false;
    if (!reader.SkipNameOrOrdinal() || !reader.SkipNameOrOrdinal() || !reader.SkipText()) return false;
    std::uint16_t pointSize = 0, weight = 0, italicAndCharset = 0;
    if (!reader.Word(pointSize) || !reader.Word(weight) || !reader.Word(italicAndCharset)) return false;
    font.faceAt = reader.At();
    if (!reader.SkipText()) return false;
    font.faceEnd = reader.At();
    font.pointSize = pointSize;
    font.weight = weight;
    font.italic = italicAndCharset & 0xFF;
    font.charset = italicAndCharset >> 8;
    font.face.clear();
    for (std::size_t at = font.faceAt; at + 2 < font.faceEnd; at += 2)
        font.face += static_cast<wchar_t>(bytes[at] | bytes[at + 1] << 8);
    return true;
}

std::vector<std::uint8_t> WithFace(const std::vector<std::uint8_t>& bytes, const TemplateFont& font,
                                   const std::wstring& face) {
    std::vector<std::uint8_t> out(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(font.faceAt));
    for (wchar_t c : face) {
        out.push_back(static_cast<std::uint8_t>(c & 0xFF));
        out.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
    }
    out.push_back(0);
    out.push_back(0);
    // The controls start on the next four-byte boundary, in both templates.
    out.resize(Aligned(out.size()), 0);
    const std::size_t controls = Aligned(font.faceEnd);
    if (controls < bytes.size()) out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(controls), bytes.end());
    return out;
}

std::vector<std::uint8_t> WithFontOfItsCharset(const std::vector<std::uint8_t>& bytes) {
    TemplateFont font;
    if (!FindTemplateFont(bytes, font) || font.charset == DEFAULT_CHARSET) return bytes;
    const Resolved wanted = Resolve(font, font.charset);
    // A face without the character set would be no better than the template's own.
    if (wanted.charset != font.charset || wanted.face.empty()) return bytes;
    if (wanted.face == Resolve(font, DEFAULT_CHARSET).face) return bytes;
    return WithFace(bytes, font, wanted.face);
}

}  // namespace plat::win32

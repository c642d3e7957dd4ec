// GBK conversions on the system's code-page calls. Code page 936 is named
// explicitly: the system code page may be anything (1252 on an English
// Windows), and the word lists are GBK whatever it is.
#include <string_view>

#include "platform/gbk.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/windows_fence.h"

namespace plat {
namespace win32 {
namespace {

constexpr UINT kGbk = 936;
constexpr wchar_t kReplacement = 0xFFFD;

bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

// Strict decoding of `bytes` into `out`; false when any of them is not GBK.
bool DecodeStrict(UINT codePage, std::string_view bytes, std::wstring& out) {
    out.clear();
    if (bytes.empty()) return true;
    const int size = static_cast<int>(bytes.size());
    const int needed = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (needed <= 0) return false;
    out.resize(static_cast<std::size_t>(needed));
    return ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, out.data(), needed) == needed;
}

std::wstring DecodeGbk(std::string_view gbk) {
    std::wstring wide;
    if (DecodeStrict(kGbk, gbk, wide)) return wide;
    // Something is broken: one character at a time, so only the broken ones
    // become U+FFFD. A lead byte with a plausible trail byte is one broken
    // character, as the other backends count it.
    wide.clear();
    std::wstring one;
    for (std::size_t i = 0; i < gbk.size();) {
        const auto c = static_cast<unsigned char>(gbk[i]);
        std::size_t length = 1;
        if (IsLeadByte(c) && i + 1 < gbk.size() && IsTrailByte(static_cast<unsigned char>(gbk[i + 1]))) length = 2;
        if (DecodeStrict(kGbk, gbk.substr(i, length), one) && !one.empty())
            wide += one;
        else
            wide += kReplacement;
        i += length;
    }
    return wide;
}

// Without best-fit mapping a character GBK lacks becomes the default '?'
// instead of a look-alike; `replaced` tells whether that happened.
std::string EncodeWithDefault(UINT codePage, std::wstring_view wide, bool* replaced) {
    std::string out;
    if (replaced) *replaced = false;
    if (wide.empty()) return out;
    const int size = static_cast<int>(wide.size());
    const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = codePage == CP_UTF8 ? nullptr : &usedDefault;
    const char* fallback = codePage == CP_UTF8 ? nullptr : "?";
    const int needed = ::WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, fallback, usedDefaultOut);
    if (needed <= 0) {
        if (replaced) *replaced = true;
        return out;
    }
    out.resize(static_cast<std::size_t>(needed));
    ::WideCharToMultiByte(codePage, flags, wide.data(), size, out.data(), needed, fallback, usedDefaultOut);
    if (replaced) *replaced = usedDefault != FALSE;
    return out;
}

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

std::string EncodeGbk(std::wstring_view wide) {
    bool replaced = false;
    std::string gbk = EncodeWithDefault(kGbk, wide, &replaced);
    if (!replaced) return gbk;
    // One '?' per character GBK lacks, also for a character outside the
    // basic plane, which UTF-16 holds as two units.
    gbk.clear();
    for (std::size_t i = 0; i < wide.size();) {
        std::size_t length = 1;
        if (IsHighSurrogate(wide[i]) && i + 1 < wide.size() && IsLowSurrogate(wide[i + 1])) length = 2;
        std::string one = EncodeWithDefault(kGbk, wide.substr(i, length), &replaced);
        gbk += (replaced || one.empty()) ? std::string("?") : one;
        i += length;
    }
    return gbk;
}

std::wstring DecodeUtf8(std::string_view utf8) {
    std::wstring wide;
    if (utf8.empty()) return wide;
    const int size = static_cast<int>(utf8.size());
    // Without strict checking, broken sequences arrive as U+FFFD and then
    // leave as '?', like any other character GBK cannot hold.
    const int needed = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    if (needed <= 0) return wide;
    wide.resize(static_cast<std::size_t>(needed));
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), needed);
    return wide;
}

}  // namespace

std::wstring WideFromGbk(const char* gbk) { return gbk ? DecodeGbk(gbk) : std::wstring(); }

std::string GbkFromWide(const wchar_t* wide) { return wide ? EncodeGbk(wide) : std::string(); }

bool GbkHolds(const std::wstring& wide) { return DecodeGbk(EncodeGbk(wide)) == wide; }

std::wstring WideFromUtf8(const std::string& utf8) { return DecodeUtf8(utf8); }

std::string Utf8FromWide(const std::wstring& wide) { return EncodeWithDefault(CP_UTF8, wide, nullptr); }

}  // namespace win32

std::string GbkToUtf8(std::string_view gbk) { return win32::EncodeWithDefault(CP_UTF8, win32::DecodeGbk(gbk), nullptr); }

std::string Utf8ToGbk(std::string_view utf8) { return win32::EncodeGbk(win32::DecodeUtf8(utf8)); }

}  // namespace plat

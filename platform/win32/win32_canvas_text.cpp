#include "platform/win32/win32_canvas_text.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/win32/wide_text.h"

namespace plat::win32 {
namespace {

bool SameFace(const std::wstring& a, const wchar_t* b) { return ::lstrcmpiW(a.c_str(), b) == 0; }

int CALLBACK NoteFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;  // one is enough
}

bool IsInstalled(const std::wstring& face) {
    if (face.empty() || face.size() >= LF_FACESIZE) return false;
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    face.copy(query.lfFaceName, face.size());
    bool found = false;
    HDC screen = ::GetDC(nullptr);
    ::EnumFontFamiliesExW(screen, &query, NoteFound, reinterpret_cast<LPARAM>(&found), 0);
    ::ReleaseDC(nullptr, screen);
    return found;
}

// A face shipped beside the program rather than installed: registered for
// this process alone, so nothing of it outlives the program.
void AddShippedFont(const std::wstring& face) {
    std::wstring file = L"RES\\";
    for (wchar_t c : face)
        if (c != L' ') file += c;
    file += L".ttf";
    wchar_t full[MAX_PATH];
    const DWORD length = ::GetFullPathNameW(file.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH || ::GetFileAttributesW(full) == INVALID_FILE_ATTRIBUTES) return;
    ::AddFontResourceExW(full, FR_PRIVATE, nullptr);
}

// A 32-bit top-down memory surface to draw text on.
class TextSurface {
public:
    TextSurface(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = ::CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        bits_ = static_cast<const std::uint32_t*>(bits);
        if (bitmap_) previous_ = ::SelectObject(dc_, bitmap_);
    }
    ~TextSurface() {
        if (bitmap_) {
            ::SelectObject(dc_, previous_);
            ::DeleteObject(bitmap_);
        }
        ::DeleteDC(dc_);
    }
    TextSurface(const TextSurface&) = delete;
    TextSurface& operator=(const TextSurface&) = delete;

    bool Ready() const { return bits_ != nullptr; }
    HDC dc() const { return dc_; }
    // White text on black: any channel is the coverage.
    std::uint8_t Coverage(int x, int y) const {
        const std::uint32_t p = bits_[static_cast<std::size_t>(y) * width_ + x];
        return static_cast<std::uint8_t>(std::max({(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF}));
    }

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    const std::uint32_t* bits_ = nullptr;
};

}  // namespace

std::vector<std::wstring> CandidateFaces(const std::wstring& face) {
    std::vector<std::wstring> faces{face};
    if (face == L"\u5FAE\u8F6F\u96C5\u9ED1" || SameFace(face, L"Microsoft YaHei")) {
        // Every Windows since Vista has the face itself; the rest are the
        // closest sans-serif faces with full GB coverage elsewhere.
        for (const wchar_t* f : {L"Microsoft YaHei", L"SimHei", L"Noto Sans CJK SC", L"WenQuanYi Zen Hei",
                                 L"WenQuanYi Micro Hei", L"Droid Sans Fallback", L"SimSun"})
            faces.emplace_back(f);
    } else if (SameFace(face, L"Georgia")) {
        for (const wchar_t* f : {L"Times New Roman", L"DejaVu Serif", L"Liberation Serif", L"Noto Serif"})
            faces.emplace_back(f);
    }
    return faces;
}

std::wstring InstalledFace(const std::wstring& face) {
    // Asked once per face: enumerating the fonts is slow, and the canvas
    // makes its fonts again after every reset.
    static std::mutex mutex;
    static std::map<std::wstring, std::wstring> chosen;
    std::lock_guard lock(mutex);
    if (auto found = chosen.find(face); found != chosen.end()) return found->second;
    std::wstring installed = face;
    if (!IsInstalled(face)) AddShippedFont(face);
    for (const std::wstring& candidate : CandidateFaces(face))
        if (IsInstalled(candidate)) {
            installed = candidate;
            break;
        }
    chosen.emplace(face, installed);
    return installed;
}

namespace {

struct FontMeasure {
    int cellHeight = 0;
    double lowercaseAdvance = 0;  // the mean advance of a to z
    int averageWidth = 0;         // as the font reports it
};

FontMeasure Measure(HFONT font) {
    FontMeasure measure;
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ previous = ::SelectObject(dc, font);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, L"abcdefghijklmnopqrstuvwxyz", 26, &extent);
    ::SelectObject(dc, previous);
    ::DeleteDC(dc);
    measure.cellHeight = metrics.tmHeight;
    measure.lowercaseAdvance = extent.cx / 26.0;
    measure.averageWidth = metrics.tmAveCharWidth;
    return measure;
}

HFONT MakeFont(int height, int width, int weight, DWORD charset, const std::wstring& face) {
    return ::CreateFontW(height, width, 0, 0, weight, FALSE, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
}

}  // namespace

std::wstring WideCanvasText(const char* text, int length, unsigned format) {
    if (!text || length < -1) return {};
    const std::string bytes(text, length == -1 ? std::strlen(text) : static_cast<std::size_t>(length));
    return (format & plat::DT_UTF8) ? WideFromUtf8(bytes) : WideFromGbk(bytes.c_str());
}

int TextAdvance(HFONT font, const std::wstring& text) {
    if (!font || text.empty()) return 0;
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ previous = ::SelectObject(dc, font);
    SIZE extent{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    ::SelectObject(dc, previous);
    ::DeleteDC(dc);
    return extent.cx;
}

HFONT CreateCellFont(int height, int width, int weight, const std::wstring& face) {
    const std::wstring chosen = InstalledFace(face);
    // A face nobody has: ask for a Chinese character set, so the mapper
    // picks a face that can show the meanings.
    const DWORD charset = chosen == face && !IsInstalled(face) ? GB2312_CHARSET : DEFAULT_CHARSET;

    // The mapper may round the cell a pixel off, and a CJK face may report
    // its average width from its square glyphs: measure the face at its own
    // proportions, then size it so the cell and the mean Latin lowercase
    // advance come out as asked, the way the Latin-centred faces behave.
    HFONT natural = MakeFont(height, 0, weight, charset, chosen);
    if (!natural || height <= 0) return natural;
    const FontMeasure measured = Measure(natural);
    int cell = height;
    if (measured.cellHeight > 0 && measured.cellHeight != height) cell = height + (height - measured.cellHeight);
    if (width <= 0 && cell == height) return natural;
    int scaledWidth = 0;
    if (width > 0 && measured.lowercaseAdvance > 0 && measured.averageWidth > 0)
        scaledWidth = std::max(1, static_cast<int>(std::lround(measured.averageWidth * width / measured.lowercaseAdvance)));
    HFONT sized = MakeFont(cell, scaledWidth, weight, charset, chosen);
    if (!sized) return natural;
    ::DeleteObject(natural);
    return sized;
}

TextCoverage LayOutText(HFONT font, const std::wstring& text, int rectWidth, int rectHeight, unsigned format) {
    TextCoverage coverage;
    if (!font) return coverage;
    rectWidth = std::max(rectWidth, 0);
    rectHeight = std::max(rectHeight, 0);
    const UINT layout = (format & (sys::DT_CENTER | sys::DT_RIGHT | sys::DT_SINGLELINE)) | DT_NOPREFIX | DT_NOCLIP;
    const int length = static_cast<int>(text.size());

    // Measure first: the surface must hold text running past the rectangle.
    HDC measure = ::CreateCompatibleDC(nullptr);
    HGDIOBJ previousFont = ::SelectObject(measure, font);
    RECT extent{0, 0, rectWidth, rectHeight};
    ::DrawTextW(measure, text.c_str(), length, &extent, layout | DT_CALCRECT);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(measure, &metrics);
    ::SelectObject(measure, previousFont);
    ::DeleteDC(measure);

    const int textWidth = extent.right - extent.left;
    const int textHeight = extent.bottom - extent.top;
    coverage.textHeight = textHeight;
    // The system centres only single lines; several are centred here alike.
    const int top = (format & sys::DT_VCENTER) ? (rectHeight - textHeight) / 2 : 0;
    const int margin = std::max<int>(metrics.tmHeight, 4);  // glyphs reaching past their advance
    const int originX = margin + std::max(0, textWidth - rectWidth);
    const int originY = margin + std::max(0, -top);
    const int surfaceWidth = 2 * originX + rectWidth;
    const int surfaceHeight = originY + top + textHeight + margin;
    if (text.empty() || surfaceWidth <= 0 || surfaceHeight <= 0) return coverage;

    TextSurface surface(surfaceWidth, surfaceHeight);
    if (!surface.Ready()) return coverage;
    HGDIOBJ previous = ::SelectObject(surface.dc(), font);
    ::SetBkMode(surface.dc(), TRANSPARENT);
    ::SetTextColor(surface.dc(), RGB(255, 255, 255));
    RECT box{originX, originY + top, originX + rectWidth, originY + top + std::max(textHeight, rectHeight)};
    ::DrawTextW(surface.dc(), text.c_str(), length, &box, layout);
    ::GdiFlush();
    ::SelectObject(surface.dc(), previous);

    int left = surfaceWidth, right = -1, inkTop = surfaceHeight, bottom = -1;
    for (int y = 0; y < surfaceHeight; ++y)
        for (int x = 0; x < surfaceWidth; ++x)
            if (surface.Coverage(x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
                inkTop = std::min(inkTop, y);
                bottom = std::max(bottom, y);
            }
    if (right < 0) return coverage;
    coverage.width = right - left + 1;
    coverage.height = bottom - inkTop + 1;
    coverage.offsetX = left - originX;
    coverage.offsetY = inkTop - originY;
    coverage.alpha.resize(static_cast<std::size_t>(coverage.width) * coverage.height);
    for (int y = 0; y < coverage.height; ++y)
        for (int x = 0; x < coverage.width; ++x)
            coverage.alpha[static_cast<std::size_t>(y) * coverage.width + x] = surface.Coverage(left + x, inkTop + y);
    return coverage;
}

TextLayoutKey KeyOfLayout(const void* font, const std::wstring& text, int width, int height, unsigned format) {
    TextLayoutKey layout;
    layout.width = (format & (sys::DT_CENTER | sys::DT_RIGHT)) ? width : 1;
    layout.height = (format & sys::DT_VCENTER) ? height : 1;
    for (std::uintptr_t part : {reinterpret_cast<std::uintptr_t>(font), std::uintptr_t{format},
                                std::uintptr_t(unsigned(layout.width)), std::uintptr_t(unsigned(layout.height))}) {
        for (std::size_t shift = 0; shift < 8 * sizeof part; shift += 16)
            layout.key.push_back(static_cast<wchar_t>((part >> shift) & 0xFFFF));
    }
    layout.key += text;
    return layout;
}

}  // namespace plat::win32

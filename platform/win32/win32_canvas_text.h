// Canvas text laid out by GDI: fonts sized the way the classic logical font
// is, with stand-ins for faces that are not installed, and text drawn the
// way the DT_* format bits say into a coverage map the device turns into a
// texture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/windows_fence.h"

namespace plat::win32 {

// Faces to try for a requested face, best first: the face itself, then
//   "微软雅黑" (a sans-serif CJK face)  -> Microsoft YaHei, SimHei, Noto Sans CJK SC, WenQuanYi
//   "Georgia" (a serif Latin face)     -> Times New Roman, DejaVu Serif, Liberation Serif
// Other faces get only themselves.
std::vector<std::wstring> CandidateFaces(const std::wstring& face);

// The first installed candidate; the requested face when none is, which
// leaves the choice to the system's font mapper. A face the system lacks
// is first looked for in the asset folder, as RES\<face without spaces>.ttf
// (RES\DejaVuSans.ttf for "DejaVu Sans"), and made known to this process only.
std::wstring InstalledFace(const std::wstring& face);

// The text of a canvas drawing call as UTF-16: GBK, or UTF-8 with DT_UTF8
// in the format; length -1 runs to the NUL.
std::wstring WideCanvasText(const char* text, int length, unsigned format);

// How wide the text is on one line in the font, in pixels.
int TextAdvance(HFONT font, const std::wstring& text);

// A font with a cell height of `height` and an average character width of
// `width` pixels (0: the face's own), weight 0 for don't-care; grey-scale
// smoothing, so the coverage can serve as alpha.
HFONT CreateCellFont(int height, int width, int weight, const std::wstring& face);

// Where a text's ink lies relative to its rectangle, and how much of it.
struct TextCoverage {
    int width = 0, height = 0;       // of the inked area; 0 when nothing is inked
    int offsetX = 0, offsetY = 0;    // its top-left from the rectangle's top-left
    std::vector<std::uint8_t> alpha; // row-major coverage, 0..255
    int textHeight = 0;              // of the laid-out text, as DrawText reports it
};

// Lays the text out in a rectangle of rectWidth x rectHeight by the format
// bits (DT_CENTER, DT_RIGHT, DT_VCENTER, DT_SINGLELINE), not clipped: the
// caller clips to the real rectangle. DT_VCENTER centres several lines too.
// '&' is shown as it is.
TextCoverage LayOutText(HFONT font, const std::wstring& text, int rectWidth, int rectHeight, unsigned format);

// A text's layout as devices cache it. Left- and top-aligned text lays out
// the same in any width or height: only the dimensions its alignment uses
// tell layouts apart, and the others are 1.
struct TextLayoutKey {
    std::wstring key;
    int width = 0, height = 0;  // the rectangle to lay it out in
};
TextLayoutKey KeyOfLayout(const void* font, const std::wstring& text, int width, int height, unsigned format);

}  // namespace plat::win32

// Every meaning of the word books on the canvas, in the Windows canvas font:
// the font the canvas devices make, laid out by GDI as they lay it out.
#include <gtest/gtest.h>

#include "drill/texts.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_canvas_device.h"
#include "platform/win32/win32_canvas_text.h"
#include "tests/wordbooks/meaning_width_check.h"

namespace {

using namespace kestran;
using namespace kestran::wordbooks;

wordbooks::InkSpan Lay(HFONT font, const std::wstring& text, const plat::Rect& rect, unsigned format) {
    const plat::win32::TextCoverage coverage =
        plat::win32::LayOutText(font, text, rect.right - rect.left, rect.bottom - rect.top, format);
    if (coverage.width == 0) return {};
    const int left = rect.left + coverage.offsetX;
    return {left, left + coverage.width};
}

TEST(WordBookMeanings, EveryMeaningFitsTheCanvasInTheWindowsCanvasFont) {
    plat::win32::CanvasObjects objects;
    plat::CanvasFontObject* font =
        objects.CreateFont(canvas::kWordFontSize.height, canvas::kWordFontSize.width, 0, texts::kWordFontFace);
    ASSERT_NE(font, nullptr);
    const std::wstring face = plat::win32::InstalledFace(plat::win32::WideFromGbk(texts::kWordFontFace));
    test::ExpectEveryMeaningOnCanvas(
        [&](std::string_view gbk) {
            const std::wstring text = plat::win32::WideFromGbk(std::string(gbk).c_str());
            return MeaningInk{Lay(font->font, text, kPracticeMeaningRect, kPracticeFormat),
                              Lay(font->font, text, kTestMeaningRect, kTestFormat)};
        },
        "GDI (" + plat::win32::GbkFromWide(face.c_str()) + ")");
}

}  // namespace

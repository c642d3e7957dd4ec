// The dialog template rewritten to name the face of its own character set:
// the font fields found where the dialog manager reads them, and the
// controls still found after a face of another length.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/main_dialog.h"
#include "drill/drill_state.h"
#include "platform/win32/win32_dialog_font.h"
#include "platform/win32/win32_dialog_layout.h"
#include "platform/win32/windows_fence.h"

namespace plat::win32 {
namespace {

std::vector<std::uint8_t> Template101() {
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(kestran::kMainDialogResource), RT_DIALOG);
    if (!found) return {};
    const auto* data = static_cast<const std::uint8_t*>(::LockResource(::LoadResource(module, found)));
    return {data, data + ::SizeofResource(module, found)};
}

INT_PTR CALLBACK QuietDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST(DialogFont, FindsTheFontFieldsOfTheProgramsTemplate) {
    const std::vector<std::uint8_t> bytes = Template101();
    ASSERT_FALSE(bytes.empty());
    TemplateFont font;
    ASSERT_TRUE(FindTemplateFont(bytes, font));
    EXPECT_EQ(font.face, L"MS Shell Dlg");
    EXPECT_EQ(font.pointSize, 12);
    EXPECT_EQ(font.weight, 700);
    EXPECT_EQ(font.italic, 0);
    EXPECT_EQ(font.charset, 134);
}

TEST(DialogFont, AnotherFaceKeepsTheFontFieldsAndTheControls) {
    const std::vector<std::uint8_t> bytes = Template101();
    TemplateFont font;
    ASSERT_TRUE(FindTemplateFont(bytes, font));
    // Shorter and longer names move the controls by different amounts.
    for (const std::wstring face : {L"A", L"AB", L"Noto Sans CJK SC Regular"}) {
        const std::vector<std::uint8_t> changed = WithFace(bytes, font, face);
        TemplateFont found;
        ASSERT_TRUE(FindTemplateFont(changed, found));
        EXPECT_EQ(found.face, face);
        EXPECT_EQ(found.pointSize, 12);
        EXPECT_EQ(found.weight, 700);
        EXPECT_EQ(found.charset, 134);
        EXPECT_EQ(found.faceAt % 2, 0u);

        // The dialog manager finds both controls with their identifiers.
        HWND dialog = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr),
                                                   reinterpret_cast<LPCDLGTEMPLATEW>(changed.data()), nullptr,
                                                   QuietDialog, 0);
        ASSERT_NE(dialog, nullptr);
        wchar_t className[32] = {};
        ::GetClassNameW(::GetDlgItem(dialog, kestran::kAnswerBoxId), className, 32);
        EXPECT_STREQ(className, L"Edit");
        ::GetClassNameW(::GetDlgItem(dialog, kestran::kSpeedSliderId), className, 32);
        EXPECT_STREQ(className, L"ScrollBar");
        ::DestroyWindow(dialog);
    }
}

// Where a control of the dialog stands, in client pixels.
RECT PlaceOf(HWND dialog, int id) {
    RECT r{};
    ::GetWindowRect(::GetDlgItem(dialog, id), &r);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The cell height of the answer box's font, and the height inside it.
std::pair<int, int> AnswerTextAndBoxHeight(HWND dialog) {
    HWND box = ::GetDlgItem(dialog, kestran::kAnswerBoxId);
    RECT inside{};
    ::GetClientRect(box, &inside);
    HDC dc = ::GetDC(box);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(box, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    ::SelectObject(dc, old);
    ::ReleaseDC(box, dc);
    return {metrics.tmHeight, inside.bottom};
}

// Whatever the font's base units, the client area and the two controls are
// where base units of 9 x 19 put them (clear of the canvas and the buttons),
// and the typed text fits the answer box.
TEST(DialogFont, AnyFontGivesTheDesignedLayout) {
    const std::vector<std::uint8_t> bytes = Template101();
    TemplateFont font;
    ASSERT_TRUE(FindTemplateFont(bytes, font));
    struct Case {
        const wchar_t* face;
        std::uint16_t points;
    } cases[] = {{L"MS Shell Dlg", 12}, {L"SimSun", 12}, {L"Courier New", 16}, {L"Tahoma", 8}, {L"Tahoma", 9}};
    int otherUnits = 0;
    for (const Case& c : cases) {
        std::vector<std::uint8_t> changed = WithFace(bytes, font, c.face);
        changed[font.faceAt - 6] = static_cast<std::uint8_t>(c.points);  // the point size precedes the face
        changed[font.faceAt - 5] = 0;
        HWND dialog = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr),
                                                   reinterpret_cast<LPCDLGTEMPLATEW>(changed.data()), nullptr,
                                                   QuietDialog, 0);
        ASSERT_NE(dialog, nullptr);
        RECT units{0, 0, 4, 8};
        ::MapDialogRect(dialog, &units);
        if (units.right != kDesignedBaseX || units.bottom != kDesignedBaseY) ++otherUnits;
        PlaceDialog(dialog, DesignedLayout(kestran::MainDialogTemplate()));
        SCOPED_TRACE(testing::Message() << "face " << std::string(c.face, c.face + wcslen(c.face)) << " " << c.points
                                        << " pt, base units " << units.right << "x" << units.bottom);
        RECT client{};
        ::GetClientRect(dialog, &client);
        EXPECT_EQ(std::make_pair(client.right, client.bottom), std::make_pair(601L, 276L));
        const RECT answerBox = PlaceOf(dialog, kestran::kAnswerBoxId), slider = PlaceOf(dialog, kestran::kSpeedSliderId);
        const RECT designedBox{191, 185, 418, 218}, designedSlider{212, 228, 392, 247};
        EXPECT_TRUE(::EqualRect(&answerBox, &designedBox)) << answerBox.left << "," << answerBox.top;
        EXPECT_TRUE(::EqualRect(&slider, &designedSlider)) << slider.left << "," << slider.top;
        const auto [text, box] = AnswerTextAndBoxHeight(dialog);
        EXPECT_LE(text, box);
        ::DestroyWindow(dialog);
    }
    EXPECT_GT(otherUnits, 0) << "no font gave other base units than the designed ones";
}

TEST(DialogFont, TemplatesItCannotReadAreLeftAlone) {
    const std::vector<std::uint8_t> bytes = Template101();
    TemplateFont font;
    ASSERT_TRUE(FindTemplateFont(bytes, font));
    // Cut inside the face name: no reading past the end.
    const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(font.faceAt + 3));
    EXPECT_FALSE(FindTemplateFont(cut, font));
    EXPECT_EQ(WithFontOfItsCharset(cut), cut);
    // Without a font, or in the old template format.
    std::vector<std::uint8_t> noFont = bytes;
    noFont[12] &= static_cast<std::uint8_t>(~DS_SETFONT);
    EXPECT_FALSE(FindTemplateFont(noFont, font));
    std::vector<std::uint8_t> oldFormat = bytes;
    oldFormat[0] = 0x40;
    oldFormat[2] = 0;
    EXPECT_FALSE(FindTemplateFont(oldFormat, font));
    // A template that leaves the character set to the system stays as it is.
    std::vector<std::uint8_t> defaultCharset = bytes;
    ASSERT_TRUE(FindTemplateFont(bytes, font));
    defaultCharset[font.faceAt - 1] = DEFAULT_CHARSET;
    EXPECT_EQ(WithFontOfItsCharset(defaultCharset), defaultCharset);
}

}  // namespace
}  // namespace plat::win32

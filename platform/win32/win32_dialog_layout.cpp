#include "platform/win32/win32_dialog_layout.h"

#include <imm.h>

#include "platform/win32/win32_dpi.h"

namespace plat::win32 {
namespace {

// The dialog manager maps each place and size on its own, rounding halves up.
int ToPixelsX(int units) { return ::MulDiv(units, kDesignedBaseX, 4); }
int ToPixelsY(int units) { return ::MulDiv(units, kDesignedBaseY, 8); }

// A font like the dialog's whose character cell is the designed height at dpi.
HFONT FontOfDesignedHeight(HWND dialog, UINT dpi) {
    auto font = reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0));
    LOGFONTW logical{};
    if (!font || !::GetObjectW(font, sizeof logical, &logical)) return nullptr;
    logical.lfHeight = ScaleToDpi(kDesignedBaseY, dpi);  // positive: the cell height, not the em
    logical.lfWidth = 0;
    return ::CreateFontIndirectW(&logical);
}

// The designed layout at the dialog's scale, like the windows placed in pixels.
DialogLayout Scaled(const DialogLayout& designed, UINT dpi) {
    DialogLayout layout = designed;
    layout.clientAt = {ScaleToDpi(static_cast<int>(designed.clientAt.x), dpi),
                       ScaleToDpi(static_cast<int>(designed.clientAt.y), dpi)};
    layout.client = {ScaleToDpi(static_cast<int>(designed.client.cx), dpi),
                     ScaleToDpi(static_cast<int>(designed.client.cy), dpi)};
    for (DialogLayout::Control& c : layout.controls) c.rect = ScaleRect(c.rect, dpi);
    return layout;
}

}  // namespace

DialogLayout DesignedLayout(const DialogTemplate& t) {
    DialogLayout layout;
    layout.clientAt = {ToPixelsX(t.x), ToPixelsY(t.y)};
    layout.client = {ToPixelsX(t.width), ToPixelsY(t.height)};
    for (int i = 0; i < t.controlCount; ++i) {
        const DialogControl& c = t.controls[i];
        const int left = ToPixelsX(c.x), top = ToPixelsY(c.y);
        layout.controls.push_back({c.id, RECT{left, top, left + ToPixelsX(c.width), top + ToPixelsY(c.height)}});
    }
    return layout;
}

void PlaceDialog(HWND dialog, const DialogLayout& designed) {
    RECT units{0, 0, 4, 8};
    if (!dialog || !::MapDialogRect(dialog, &units)) return;
    const UINT dpi = LayoutDpi(dialog);
    if (dpi == kBaseDpi && units.right == kDesignedBaseX && units.bottom == kDesignedBaseY) return;
    const DialogLayout layout = Scaled(designed, dpi);

    // The frame keeps its own size; the client area gets the designed one.
    RECT window{}, client{};
    POINT clientAt{0, 0};
    ::GetWindowRect(dialog, &window);
    ::GetClientRect(dialog, &client);
    ::ClientToScreen(dialog, &clientAt);
    const int frameWidth = (window.right - window.left) - client.right;
    const int frameHeight = (window.bottom - window.top) - client.bottom;
    ::SetWindowPos(dialog, nullptr, layout.clientAt.x - (clientAt.x - window.left),
                   layout.clientAt.y - (clientAt.y - window.top), layout.client.cx + frameWidth,
                   layout.client.cy + frameHeight, SWP_NOZORDER | SWP_NOACTIVATE);

    HFONT editFont = nullptr;
    for (const DialogLayout::Control& c : layout.controls) {
        HWND control = ::GetDlgItem(dialog, c.id);
        if (!control) continue;
        ::MoveWindow(control, c.rect.left, c.rect.top, c.rect.right - c.rect.left, c.rect.bottom - c.rect.top, TRUE);
        wchar_t className[16] = {};
        ::GetClassNameW(control, className, 16);
        if (::lstrcmpiW(className, L"Edit") != 0) continue;
        // Made once a dialog and kept as long as the dialog, like its own font.
        if (!editFont) editFont = FontOfDesignedHeight(dialog, dpi);
        if (editFont) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(editFont), TRUE);
    }
}

void WithoutInputMethod(HWND dialog, const DialogTemplate& t) {
    for (int i = 0; i < t.controlCount; ++i)
        if (t.controls[i].kind == ControlKind::Edit) ::ImmAssociateContext(::GetDlgItem(dialog, t.controls[i].id), nullptr);
}

}  // namespace plat::win32

// The dialog as it was designed, whatever fonts the system has.
//
// The dialog manager sizes a dialog and places its controls by the base
// units of the dialog font it ends up with, which depends on the fonts and
// the font substitutes of the machine. The pictures, the canvas and the
// buttons are placed in pixels and were drawn for a font of 9 x 19 base
// units. So the dialog is measured after it is made, and when its font gave
// other units, the window, its client area and its controls are put where
// 9 x 19 units would have put them.
#pragma once

#include <vector>

#include "platform/win32/windows_fence.h"

namespace plat::win32 {

inline constexpr int kDesignedBaseX = 9;
inline constexpr int kDesignedBaseY = 19;

// A template's dialog units in pixels for the designed base units.
struct DialogLayout {
    POINT clientAt{};  // the client area's top-left on the screen, as the dialog manager places it
    SIZE client{};
    struct Control {
        int id = 0;
        RECT rect{};  // in client pixels
    };
    std::vector<Control> controls;
};

DialogLayout DesignedLayout(const DialogTemplate& dialogTemplate);

// Moves and sizes the dialog and its controls to `layout`, scaled to the
// dialog's DPI (win32_dpi.h), when the dialog manager's font gave other base
// units; the edit controls then get a font of the designed cell height, so
// their text fits their designed height.
void PlaceDialog(HWND dialog, const DialogLayout& layout);

// Edit controls of the dialog take typed characters directly: no input
// method composes into them (the answer box takes English only).
void WithoutInputMethod(HWND dialog, const DialogTemplate& dialogTemplate);

}  // namespace plat::win32

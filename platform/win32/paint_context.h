// The handle bodies the window system and the imaging service share: a paint
// context is the device context of one WM_PAINT, a brush a GDI brush.
#pragma once

#include "platform/win32/windows_fence.h"

namespace plat {

struct PaintContextObject {
    HDC dc = nullptr;
    HWND window = nullptr;
    PAINTSTRUCT paint{};
};

struct BrushObject {
    HBRUSH brush = nullptr;
    HBITMAP pattern = nullptr;  // a pattern brush's picture, for copies at other scales
};

}  // namespace plat

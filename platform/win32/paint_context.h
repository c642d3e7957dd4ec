// What the window system and the media services share: a paint context is
// the device context of one WM_PAINT, a brush a GDI brush, and the canvas
// asks the window system for the system window behind a contract window.
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
};

}  // namespace plat

namespace plat::win32 {

// The system window behind a contract window (null for null). Defined by
// the window system; the canvas device presents into this window.
HWND NativeWindow(Window window);

}  // namespace plat::win32

// The layout at the monitor's scale. Windows, pictures and the canvas are
// placed in pixels of a 96-DPI display; on a display of another scale each
// place and size is that times dpi/96, and a move to a monitor of another
// scale lays the dialog out anew. The calls that tell a window's DPI came
// with Windows 8.1 and 10, so they are looked up at run time; without them
// the system DPI stands for every monitor.
#pragma once

#include <optional>

#include "platform/win32/windows_fence.h"

namespace plat::win32 {

inline constexpr UINT kBaseDpi = 96;

// A length in 96-DPI pixels at dpi, halves rounded away from zero as the
// system rounds.
int ScaleToDpi(int pixels, UINT dpi);
float ScaleToDpi(float pixels, UINT dpi);
// Each edge scaled on its own, so windows and pictures that meet at 96 DPI
// still meet.
RECT ScaleRect(const RECT& rect, UINT dpi);

// What the system says the window's DPI is: its monitor's, or the system's
// where that cannot be asked.
UINT SystemDpiOf(HWND window);

// The DPI the window's top-level window is laid out for.
UINT LayoutDpi(HWND window);

// A child window made at `logical` in 96-DPI pixels of its parent's client
// area; it keeps that place, scaled, when the dialog is laid out anew.
void RememberLogicalPlace(HWND child, const RECT& logical);
// Drops what is kept about a window that goes away.
void ForgetWindow(HWND window);

// For a dialog as it is made: it is laid out for its monitor's DPI, and the
// dialog manager's own response to a change of scale is switched off.
void TakeOverDpiScaling(HWND dialog);

// WM_GETDPISCALEDSIZE and WM_DPICHANGED of a dialog: the window, its client
// area, its children and their fonts are scaled from the places they had.
// Empty for any other message.
std::optional<LRESULT> AnswerDpiMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace plat::win32

// A contract window is the system's window handle itself: no table to keep
// in step, and every handle the system hands out is already a valid Window.
#pragma once

#include "platform/win32/windows_fence.h"

namespace plat::win32 {

inline HWND Hwnd(Window window) { return reinterpret_cast<HWND>(window); }
inline Window WindowOf(HWND window) { return reinterpret_cast<Window>(window); }
inline HINSTANCE ProgramModule() { return ::GetModuleHandleW(nullptr); }

}  // namespace plat::win32

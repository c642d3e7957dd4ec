// Registers one window class and creates one window of it: the buttons, the
// canvas and the ticker's hidden window are all made this way.
#pragma once

#include "platform/platform.h"

namespace kestran {

inline constexpr int kProgramIcon = 111;

plat::Window CreateChildWindow(plat::Brush background, plat::WindowProc procedure, const char* className,
                               plat::Window parent, std::uint32_t style, int x, int y, int width, int height);

}  // namespace kestran

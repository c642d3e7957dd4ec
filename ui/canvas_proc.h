// The canvas window's procedure: clicks pause and acknowledge; an exposure
// has the next frame drawn.
#pragma once

#include "platform/platform.h"

namespace kestran {

plat::LResult CanvasProc(plat::Window window, plat::MessageId message, plat::WParam wParam, plat::LParam lParam);

}  // namespace kestran

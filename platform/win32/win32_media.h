// The Windows backend's media services: pictures and brushes through GDI+,
// the canvas through plain Direct3D 9 or GDI, the hit sound through winmm.
#pragma once

#include "platform/platform.h"

namespace plat::win32 {

plat::Imaging& GdiplusImaging();
plat::CanvasGraphics& WindowsCanvas();
plat::Sound& WinmmSound();

}  // namespace plat::win32

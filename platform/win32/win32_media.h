// The Windows backend's media services: pictures and brushes through GDI+,
// the canvas through plain Direct3D 9, the hit sound through winmm.
#pragma once

#include "platform/platform.h"

namespace plat::win32 {

plat::Imaging& GdiplusImaging();
plat::CanvasGraphics& Direct3DCanvas();
plat::Sound& WinmmSound();

}  // namespace plat::win32

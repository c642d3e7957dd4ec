// Pictures at the monitor's scale: the button faces and the dialog's tiled
// background are drawn from their 96-DPI pictures with GDI+'s prefiltered
// bicubic filter, so they come out soft-edged rather than blocky.
#pragma once

#include "platform/win32/paint_context.h"
#include "platform/win32/windows_fence.h"

namespace Gdiplus {
class GpGraphics;
class GpImage;
}  // namespace Gdiplus

namespace plat::win32 {

// The whole image into `target` (device pixels), filtered; the image's own
// edge pixels continue past it, so no transparent rim is blended in.
void DrawImageFiltered(Gdiplus::GpGraphics* graphics, Gdiplus::GpImage* image, const RECT& target);

// The brush for a dialog laid out at dpi: a pattern brush gets its picture
// scaled (made once per scale and kept), any other brush is itself.
HBRUSH BrushAtDpi(const BrushObject& brush, UINT dpi);

}  // namespace plat::win32

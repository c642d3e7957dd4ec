#include "platform/win32/win32_scaled_images.h"

#include <objidl.h>
#include <gdiplus.h>

#include <map>
#include <mutex>
#include <utility>

#include "platform/win32/win32_dpi.h"

namespace plat::win32 {
namespace {
namespace gp = Gdiplus;
namespace flat = Gdiplus::DllExports;

void Draw(gp::GpGraphics* graphics, gp::GpImage* image, const RECT& target, gp::WrapMode wrap) {
    UINT width = 0, height = 0;
    flat::GdipGetImageWidth(image, &width);
    flat::GdipGetImageHeight(image, &height);
    if (width == 0 || height == 0) return;
    gp::GpImageAttributes* attributes = nullptr;
    flat::GdipCreateImageAttributes(&attributes);
    if (attributes) flat::GdipSetImageAttributesWrapMode(attributes, wrap, 0, FALSE);
    flat::GdipSetInterpolationMode(graphics, gp::InterpolationModeHighQualityBicubic);
    // Pixel centres at half pixels: a scaled picture lines up with its place.
    flat::GdipSetPixelOffsetMode(graphics, gp::PixelOffsetModeHalf);
    flat::GdipDrawImageRectRectI(graphics, image, target.left, target.top, target.right - target.left,
                                 target.bottom - target.top, 0, 0, static_cast<INT>(width), static_cast<INT>(height),
                                 gp::UnitPixel, attributes, nullptr, nullptr);
    if (attributes) flat::GdipDisposeImageAttributes(attributes);
}

// The bitmap's picture scaled to dpi, as a new bitmap; null when it cannot be made.
HBITMAP ScaledBitmap(HBITMAP source, UINT dpi) {
    BITMAP info{};
    if (!::GetObjectW(source, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0) return nullptr;
    const int width = ScaleToDpi(static_cast<int>(info.bmWidth), dpi);
    const int height = ScaleToDpi(static_cast<int>(info.bmHeight), dpi);
    gp::GpBitmap* picture = nullptr;
    gp::GpBitmap* scaled = nullptr;
    gp::GpGraphics* graphics = nullptr;
    HBITMAP result = nullptr;
    if (flat::GdipCreateBitmapFromHBITMAP(source, nullptr, &picture) == gp::Ok &&
        flat::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat32bppRGB, nullptr, &scaled) == gp::Ok &&
        flat::GdipGetImageGraphicsContext(scaled, &graphics) == gp::Ok) {
        // The picture repeats across the dialog: its far edge continues at
        // its near one.
        Draw(graphics, picture, RECT{0, 0, width, height}, gp::WrapModeTile);
        flat::GdipDeleteGraphics(graphics);
        flat::GdipCreateHBITMAPFromBitmap(scaled, &result, 0);
    }
    if (scaled) flat::GdipDisposeImage(scaled);
    if (picture) flat::GdipDisposeImage(picture);
    return result;
}

}  // namespace

void DrawImageFiltered(gp::GpGraphics* graphics, gp::GpImage* image, const RECT& target) {
    Draw(graphics, image, target, gp::WrapModeTileFlipXY);
}

HBRUSH BrushAtDpi(const BrushObject& brush, UINT dpi) {
    if (dpi == kBaseDpi || !brush.pattern) return brush.brush;
    static std::mutex mutex;
    static std::map<std::pair<HBRUSH, UINT>, HBRUSH> made;  // kept, like the brush itself
    std::lock_guard lock(mutex);
    HBRUSH& scaled = made[{brush.brush, dpi}];
    if (!scaled) {
        if (HBITMAP bitmap = ScaledBitmap(brush.pattern, dpi)) scaled = ::CreatePatternBrush(bitmap);
    }
    return scaled ? scaled : brush.brush;
}

}  // namespace plat::win32

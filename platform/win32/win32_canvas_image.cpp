#include "platform/win32/win32_canvas_image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "platform/box_filter.h"
#include "platform/win32/win32_imaging.h"
#include "platform/win32/windows_fence.h"

#include <objidl.h>
#include <gdiplus.h>

namespace plat::win32 {
namespace {
namespace gp = Gdiplus;
namespace flat = Gdiplus::DllExports;

// The canvas may load its picture before anyone else started GDI+; a
// second start only counts up, so this is safe either way.
bool GdiplusStarted() {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        ULONG_PTR token = 0;
        gp::GdiplusStartupInput input;
        started = gp::GdiplusStartup(&token, &input, nullptr) == gp::Ok;
    });
    return started;
}

int Channel(double value) { return std::clamp(static_cast<int>(std::lround(value)), 0, 255); }

}  // namespace

Pixels DecodePicture(const std::wstring& file) {
    Pixels pixels;
    if (!IsRegularFile(file) || !GdiplusStarted()) return pixels;
    gp::GpBitmap* bitmap = nullptr;
    if (flat::GdipCreateBitmapFromFile(file.c_str(), &bitmap) != gp::Ok || !bitmap) return pixels;
    UINT width = 0, height = 0;
    flat::GdipGetImageWidth(reinterpret_cast<gp::GpImage*>(bitmap), &width);
    flat::GdipGetImageHeight(reinterpret_cast<gp::GpImage*>(bitmap), &height);
    const gp::GpRect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    gp::BitmapData data{};
    if (width > 0 && height > 0 &&
        flat::GdipBitmapLockBits(bitmap, &all, gp::ImageLockModeRead, PixelFormat32bppARGB, &data) == gp::Ok) {
        pixels.width = static_cast<int>(width);
        pixels.height = static_cast<int>(height);
        pixels.argb.resize(static_cast<std::size_t>(width) * height);
        for (UINT y = 0; y < height; ++y)
            std::memcpy(&pixels.argb[static_cast<std::size_t>(y) * width],
                        static_cast<const BYTE*>(data.Scan0) + static_cast<std::ptrdiff_t>(y) * data.Stride,
                        static_cast<std::size_t>(width) * 4);
        flat::GdipBitmapUnlockBits(bitmap, &data);
    }
    flat::GdipDisposeImage(reinterpret_cast<gp::GpImage*>(bitmap));
    return pixels;
}

void ApplyColourKey(Pixels& pixels, Argb colourKey) {
    for (std::uint32_t& p : pixels.argb)
        if (p == colourKey) p = 0;
}

Pixels BoxResize(const Pixels& pixels, int width, int height) {
    Pixels out;
    if (pixels.Empty() || width <= 0 || height <= 0) return out;
    if (pixels.width == width && pixels.height == height) return pixels;
    const int sw = pixels.width, sh = pixels.height;
    const auto columns = ResizeTaps(sw, width);
    const auto rows = ResizeTaps(sh, height);

    // Horizontal pass into premultiplied doubles (a, r, g, b), then vertical.
    std::vector<double> wide(static_cast<std::size_t>(sh) * width * 4, 0.0);
    for (int y = 0; y < sh; ++y) {
        const std::uint32_t* line = &pixels.argb[static_cast<std::size_t>(y) * sw];
        double* row = &wide[static_cast<std::size_t>(y) * width * 4];
        for (int x = 0; x < width; ++x)
            for (const BoxTap& tap : columns[static_cast<std::size_t>(x)]) {
                const std::uint32_t p = line[tap.index];
                const double a = p >> 24;
                row[x * 4 + 0] += tap.weight * a;
                row[x * 4 + 1] += tap.weight * ((p >> 16) & 0xFF) * a / 255.0;
                row[x * 4 + 2] += tap.weight * ((p >> 8) & 0xFF) * a / 255.0;
                row[x * 4 + 3] += tap.weight * (p & 0xFF) * a / 255.0;
            }
    }
    out.width = width;
    out.height = height;
    out.argb.resize(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            double sum[4] = {0, 0, 0, 0};
            for (const BoxTap& tap : rows[static_cast<std::size_t>(y)]) {
                const double* in = &wide[(static_cast<std::size_t>(tap.index) * width + x) * 4];
                for (int c = 0; c < 4; ++c) sum[c] += tap.weight * in[c];
            }
            const int a = Channel(sum[0]);
            std::uint32_t p = 0;
            if (a > 0) {
                const double unpremultiply = 255.0 / sum[0];
                p = (static_cast<std::uint32_t>(a) << 24) |
                    (static_cast<std::uint32_t>(Channel(sum[1] * unpremultiply)) << 16) |
                    (static_cast<std::uint32_t>(Channel(sum[2] * unpremultiply)) << 8) |
                    static_cast<std::uint32_t>(Channel(sum[3] * unpremultiply));
            }
            out.argb[static_cast<std::size_t>(y) * width + x] = p;
        }
    return out;
}

Pixels LoadTexturePixels(const std::wstring& file, int width, int height, Argb colourKey) {
    Pixels picture = DecodePicture(file);
    if (picture.Empty()) return picture;
    // Key before filtering: a black cell background must blend into
    // transparency at the edges, not into a dark fringe.
    ApplyColourKey(picture, colourKey);
    if (width <= 0 || height <= 0) return picture;
    return BoxResize(picture, width, height);
}

}  // namespace plat::win32

// Pictures, the BMP conversion and the dialog's brushes on GDI+ and GDI.
// Objects handed out are never released: the callers hold them for the life
// of the process.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/paint_context.h"

namespace Gdiplus {
class GpBitmap;
}

namespace plat {

// A decoded picture, kept in memory so the file is not held open; null
// when the file could not be read.
struct ImageObject {
    Gdiplus::GpBitmap* bitmap = nullptr;
};

struct BitmapObject {
    HBITMAP bitmap = nullptr;
};

}  // namespace plat

namespace plat::win32 {

class GdiplusImagingService final : public Imaging {
public:
    bool Startup() override;
    Image LoadImage(const char* path) override;
    unsigned ImageWidth(Image image) override;
    unsigned ImageHeight(Image image) override;
    void DrawImage(PaintContext context, Image image, int x, int y, int width, int height) override;
    void GetImageEncodersSize(unsigned* count, unsigned* bytes) override;
    void GetImageEncoders(unsigned count, unsigned bytes, ImageCodecInfo* encoders) override;
    bool SaveImage(Image image, const char* path, const Guid& encoder) override;
    Bitmap LoadBitmapFile(const char* path) override;
    Brush CreatePatternBrush(Bitmap bitmap) override;
    Brush CreateSolidBrush(ColourRef colour) override;

private:
    struct Encoder {
        Guid classId;
        std::u16string mimeType;
    };

    ULONG_PTR token_ = 0;
    bool started_ = false;
    std::vector<Encoder> encoders_;
};

// True for an existing file that is not a folder or a device: the only
// kind the pictures and the sound are read from. The path is GBK, relative
// ones resolved against the working directory.
bool IsRegularFile(const std::wstring& path);

}  // namespace plat::win32

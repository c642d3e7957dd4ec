#include "platform/win32/win32_imaging.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>

#include "platform/encoder_block.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_dpi.h"
#include "platform/win32/win32_scaled_images.h"
#include "platform/win32/win32_media.h"

namespace plat::win32 {
namespace gp = Gdiplus;
namespace flat = Gdiplus::DllExports;

namespace {

// Row by row into a bitmap of its own memory: a bitmap made from a file
// keeps the file open and locked for as long as it lives.
gp::GpBitmap* DetachedCopy(gp::GpBitmap* source) {
    UINT width = 0, height = 0;
    flat::GdipGetImageWidth(reinterpret_cast<gp::GpImage*>(source), &width);
    flat::GdipGetImageHeight(reinterpret_cast<gp::GpImage*>(source), &height);
    if (width == 0 || height == 0) return nullptr;
    gp::PixelFormat format = PixelFormat32bppARGB;
    flat::GdipGetImagePixelFormat(reinterpret_cast<gp::GpImage*>(source), &format);
    // Pictures without alpha keep their format, so a JPEG saves as the
    // plain bitmap other programs expect.
    if (format != PixelFormat24bppRGB && format != PixelFormat32bppRGB) format = PixelFormat32bppARGB;

    gp::GpBitmap* copy = nullptr;
    if (flat::GdipCreateBitmapFromScan0(static_cast<INT>(width), static_cast<INT>(height), 0, format, nullptr,
                                        &copy) != gp::Ok)
        return nullptr;
    const gp::GpRect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    gp::BitmapData from{}, to{};
    bool copied = false;
    if (flat::GdipBitmapLockBits(source, &all, gp::ImageLockModeRead, format, &from) == gp::Ok) {
        if (flat::GdipBitmapLockBits(copy, &all, gp::ImageLockModeWrite, format, &to) == gp::Ok) {
            const std::size_t rowBytes = static_cast<std::size_t>(width) * (format == PixelFormat24bppRGB ? 3 : 4);
            for (UINT y = 0; y < height; ++y)
                std::memcpy(static_cast<BYTE*>(to.Scan0) + static_cast<std::ptrdiff_t>(y) * to.Stride,
                            static_cast<const BYTE*>(from.Scan0) + static_cast<std::ptrdiff_t>(y) * from.Stride,
                            rowBytes);
            flat::GdipBitmapUnlockBits(copy, &to);
            copied = true;
        }
        flat::GdipBitmapUnlockBits(source, &from);
    }
    if (!copied) {
        flat::GdipDisposeImage(reinterpret_cast<gp::GpImage*>(copy));
        return nullptr;
    }
    return copy;
}

template <class T>
T Little(const unsigned char* bytes) {
    T value = 0;
    std::memcpy(&value, bytes, sizeof value);  // the target is little-endian
    return value;
}

// The system loader accepts a bitmap file cut short and shows garbage for
// the missing rows; a file must hold every pixel its header promises.
bool IsCompleteBitmapFile(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary | std::ios::ate);
    if (!file) return false;
    const auto size = static_cast<std::uint64_t>(file.tellg());
    unsigned char head[14 + 40] = {};
    file.seekg(0);
    file.read(reinterpret_cast<char*>(head), sizeof head);
    const auto got = static_cast<std::size_t>(file.gcount());
    if (got < 14 + 12 || head[0] != 'B' || head[1] != 'M') return false;
    const auto pixelsAt = Little<std::uint32_t>(head + 10);
    const auto infoSize = Little<std::uint32_t>(head + 14);
    std::uint64_t width = 0, height = 0, bits = 0, compression = 0, imageBytes = 0;
    if (infoSize == 12) {
        width = Little<std::uint16_t>(head + 18);
        height = Little<std::uint16_t>(head + 20);
        bits = Little<std::uint16_t>(head + 24);
    } else if (infoSize >= 40 && got >= 14 + 40) {
        width = static_cast<std::uint64_t>(std::llabs(Little<std::int32_t>(head + 18)));
        height = static_cast<std::uint64_t>(std::llabs(Little<std::int32_t>(head + 22)));
        bits = Little<std::uint16_t>(head + 28);
        compression = Little<std::uint32_t>(head + 30);
        imageBytes = Little<std::uint32_t>(head + 34);
    } else {
        return false;
    }
    if (width == 0 || height == 0) return false;
    // Uncompressed rows are padded to four bytes; compressed data says its size.
    const bool plain = compression == BI_RGB || compression == BI_BITFIELDS;
    const std::uint64_t pixelBytes = plain ? (width * bits + 31) / 32 * 4 * height : imageBytes;
    return pixelBytes > 0 && pixelsAt + pixelBytes <= size;
}

}  // namespace

bool IsRegularFile(const std::wstring& path) {
    if (path.empty()) return false;
    // Opened for no access at all: enough to ask what the name is, and it
    // does not wait on pipes or wake devices.
    HANDLE file = ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool regular = ::GetFileType(file) == FILE_TYPE_DISK && ::GetFileInformationByHandle(file, &info) &&
                         !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    ::CloseHandle(file);
    return regular;
}

bool GdiplusImagingService::Startup() {
    if (started_) return true;
    gp::GdiplusStartupInput input;
    if (gp::GdiplusStartup(&token_, &input, nullptr) != gp::Ok) return false;
    started_ = true;

    UINT count = 0, bytes = 0;
    if (flat::GdipGetImageEncodersSize(&count, &bytes) == gp::Ok && count > 0) {
        std::vector<unsigned char> block(bytes);
        auto* infos = reinterpret_cast<gp::ImageCodecInfo*>(block.data());
        if (flat::GdipGetImageEncoders(count, bytes, infos) == gp::Ok)
            for (UINT i = 0; i < count; ++i) {
                Encoder e;
                static_assert(sizeof(CLSID) == sizeof e.classId.bytes);
                std::memcpy(e.classId.bytes, &infos[i].Clsid, sizeof(CLSID));
                if (infos[i].MimeType)
                    e.mimeType.assign(reinterpret_cast<const char16_t*>(infos[i].MimeType));
                encoders_.push_back(std::move(e));
            }
    }
    return true;
}

Image GdiplusImagingService::LoadImage(const char* path) {
    auto* image = new (std::nothrow) ImageObject();
    if (!image || !started_) return image;
    const std::wstring name = WideFromGbk(path);
    if (!IsRegularFile(name)) return image;
    gp::GpBitmap* fromFile = nullptr;
    // Not the colour-managed variant: pictures show with their stored values.
    if (flat::GdipCreateBitmapFromFile(name.c_str(), &fromFile) != gp::Ok || !fromFile) return image;
    image->bitmap = DetachedCopy(fromFile);
    flat::GdipDisposeImage(reinterpret_cast<gp::GpImage*>(fromFile));
    return image;
}

unsigned GdiplusImagingService::ImageWidth(Image image) {
    UINT width = 0;
    if (image && image->bitmap) flat::GdipGetImageWidth(reinterpret_cast<gp::GpImage*>(image->bitmap), &width);
    return width;
}

unsigned GdiplusImagingService::ImageHeight(Image image) {
    UINT height = 0;
    if (image && image->bitmap) flat::GdipGetImageHeight(reinterpret_cast<gp::GpImage*>(image->bitmap), &height);
    return height;
}

void GdiplusImagingService::DrawImage(PaintContext context, Image image, int x, int y, int width, int height) {
    if (!context || !context->dc || !image || !image->bitmap || width <= 0 || height <= 0) return;
    gp::GpGraphics* graphics = nullptr;
    if (flat::GdipCreateFromHDC(context->dc, &graphics) != gp::Ok) return;
    // Placed in 96-DPI pixels; at another scale drawn filtered at its scaled place.
    const UINT dpi = LayoutDpi(context->window);
    if (dpi == kBaseDpi)
        flat::GdipDrawImageRectI(graphics, reinterpret_cast<gp::GpImage*>(image->bitmap), x, y, width, height);
    else
        DrawImageFiltered(graphics, reinterpret_cast<gp::GpImage*>(image->bitmap),
                          ScaleRect(RECT{x, y, x + width, y + height}, dpi));
    flat::GdipDeleteGraphics(graphics);
}

void GdiplusImagingService::GetImageEncodersSize(unsigned* count, unsigned* bytes) { EncoderBlockSize(encoders_, count, bytes); }

void GdiplusImagingService::GetImageEncoders(unsigned count, unsigned bytes, ImageCodecInfo* encoders) {
    FillEncoderBlock(encoders_, count, bytes, encoders);
}

bool GdiplusImagingService::SaveImage(Image image, const char* path, const Guid& encoder) {
    if (!image || !image->bitmap || !path) return false;
    bool known = false;
    for (const Encoder& e : encoders_) known = known || std::memcmp(e.classId.bytes, encoder.bytes, 16) == 0;
    if (!known) return false;
    CLSID classId;
    std::memcpy(&classId, encoder.bytes, sizeof classId);
    // Written aside and moved into place, so a failed write leaves no torn
    // file where the next start would look for the picture.
    const std::wstring name = WideFromGbk(path);
    const std::wstring aside = name + L".part";
    if (flat::GdipSaveImageToFile(reinterpret_cast<gp::GpImage*>(image->bitmap), aside.c_str(), &classId, nullptr) !=
        gp::Ok) {
        ::DeleteFileW(aside.c_str());
        return false;
    }
    if (!::MoveFileExW(aside.c_str(), name.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        ::DeleteFileW(aside.c_str());
        return false;
    }
    return true;
}

Bitmap GdiplusImagingService::LoadBitmapFile(const char* path) {
    const std::wstring name = WideFromGbk(path);
    if (!IsRegularFile(name) || !IsCompleteBitmapFile(name)) return nullptr;
    HANDLE loaded = ::LoadImageW(nullptr, name.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    if (!loaded) return nullptr;
    auto* bitmap = new (std::nothrow) BitmapObject{static_cast<HBITMAP>(loaded)};
    if (!bitmap) ::DeleteObject(loaded);
    return bitmap;
}

Brush GdiplusImagingService::CreatePatternBrush(Bitmap bitmap) {
    if (!bitmap || !bitmap->bitmap) return nullptr;
    HBRUSH brush = ::CreatePatternBrush(bitmap->bitmap);
    if (!brush) return nullptr;
    return new (std::nothrow) BrushObject{brush, bitmap->bitmap};
}

Brush GdiplusImagingService::CreateSolidBrush(ColourRef colour) {
    HBRUSH brush = ::CreateSolidBrush(static_cast<COLORREF>(colour & 0x00FFFFFF));
    if (!brush) return nullptr;
    return new (std::nothrow) BrushObject{brush};
}

Imaging& GdiplusImaging() {
    static GdiplusImagingService service;
    return service;
}

}  // namespace plat::win32

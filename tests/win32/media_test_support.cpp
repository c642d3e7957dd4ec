#include "tests/win32/media_test_support.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstring>
#include <random>

namespace kestran::win32_testing {
namespace flat = Gdiplus::DllExports;

ScratchFolder::ScratchFolder() {
    std::random_device seed;
    root_ = std::filesystem::temp_directory_path() / ("kestran-media-" + std::to_string(seed()));
    std::filesystem::create_directories(root_ / L"RES");
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(root_);
}

ScratchFolder::~ScratchFolder() {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

bool WritePicture(const std::filesystem::path& file, int width, int height, const std::vector<std::uint32_t>& argb,
                  const wchar_t* mimeType) {
    UINT count = 0, bytes = 0;
    if (flat::GdipGetImageEncodersSize(&count, &bytes) != Gdiplus::Ok) return false;
    std::vector<unsigned char> block(bytes);
    auto* infos = reinterpret_cast<Gdiplus::ImageCodecInfo*>(block.data());
    if (flat::GdipGetImageEncoders(count, bytes, infos) != Gdiplus::Ok) return false;
    const CLSID* encoder = nullptr;
    for (UINT i = 0; i < count; ++i)
        if (std::wcscmp(infos[i].MimeType, mimeType) == 0) encoder = &infos[i].Clsid;
    if (!encoder) return false;

    std::vector<std::uint32_t> pixels = argb;
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (flat::GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppARGB,
                                        reinterpret_cast<BYTE*>(pixels.data()), &bitmap) != Gdiplus::Ok)
        return false;
    const bool saved = flat::GdipSaveImageToFile(reinterpret_cast<Gdiplus::GpImage*>(bitmap), file.c_str(), encoder,
                                                 nullptr) == Gdiplus::Ok;
    flat::GdipDisposeImage(reinterpret_cast<Gdiplus::GpImage*>(bitmap));
    return saved;
}

MemorySurface::MemorySurface(int width, int height, std::uint32_t fill) : width_(width), height_(height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    dc_ = ::CreateCompatibleDC(nullptr);
    bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<std::uint32_t*>(bits);
    previous_ = ::SelectObject(dc_, bitmap_);
    for (int i = 0; i < width * height; ++i) bits_[i] = fill;
}

MemorySurface::~MemorySurface() {
    ::SelectObject(dc_, previous_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
}

std::uint32_t MemorySurface::Pixel(int x, int y) const {
    ::GdiFlush();
    return bits_[y * width_ + x] & 0x00FFFFFF;
}

CanvasWindow::CanvasWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ::DefWindowProcW;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"canvas-test";
    ::RegisterClassW(&windowClass);
    window_ = ::CreateWindowExW(0, L"canvas-test", L"canvas", WS_POPUP | plat::win32::sys::WS_VISIBLE, 0, 0, 480, 75,
                                nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
}

CanvasWindow::~CanvasWindow() { ::DestroyWindow(window_); }

}  // namespace kestran::win32_testing

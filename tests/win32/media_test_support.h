// Helpers for the Windows media tests: a scratch working folder with RES,
// pictures written through GDI+ directly, and a memory surface to paint on.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/win32/windows_fence.h"
#include "platform/win32/win32_canvas_device.h"
#include "platform/win32/win32_imaging.h"
#include "tests/ui/canvas_device_checks.h"

namespace kestran::win32_testing {

// Makes a fresh folder with RES the working directory; restores on exit.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::filesystem::path Res(const std::wstring& name) const { return root_ / L"RES" / name; }

private:
    std::filesystem::path root_, previous_;
};

// Writes width x height ARGB pixels (row-major, 0xAARRGGBB) through the
// encoder of the MIME type ("image/png", "image/bmp"). GDI+ must be started.
bool WritePicture(const std::filesystem::path& file, int width, int height, const std::vector<std::uint32_t>& argb,
                  const wchar_t* mimeType);

// A top-down 32-bit memory surface with a device context to paint into.
class MemorySurface {
public:
    MemorySurface(int width, int height, std::uint32_t fill);
    ~MemorySurface();
    MemorySurface(const MemorySurface&) = delete;
    MemorySurface& operator=(const MemorySurface&) = delete;
    HDC dc() const { return dc_; }
    // 0x00RRGGBB (the surface has no alpha).
    std::uint32_t Pixel(int x, int y) const;

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

// A 480x75 popup window for a canvas device to present into.
class CanvasWindow {
public:
    CanvasWindow();
    ~CanvasWindow();
    CanvasWindow(const CanvasWindow&) = delete;
    CanvasWindow& operator=(const CanvasWindow&) = delete;
    HWND handle() const { return window_; }

private:
    HWND window_ = nullptr;
};

inline testing::FramePixels ToPixels(const plat::win32::CanvasFrame& frame) {
    return {frame.width, frame.height, frame.rgb};
}

// The harness the canvas device checks ask for, for one kind of device.
// Its two devices are made once for the whole program (making one costs
// seconds under Wine) and never released, like the program's own.
template <class Made>
struct DeviceHarness {
    struct Shared {
        // A window each, as in the program: with two devices presenting into
        // one window, Wine's software OpenGL now and then ended this program
        // with an X error on an image put (BadValue, or a broken connection).
        CanvasWindow window, otherWindow;
        Made* main = Made::Create(window.handle()).release();
        Made* other = Made::Create(otherWindow.handle()).release();
        Shared() {
            for (Made* device : {main, other})
                if (device) device->KeepFrames(true);
        }
    };
    static Shared& Devices() {
        static auto* devices = new Shared();
        return *devices;
    }

    DeviceHarness() {
        if (!Devices().main || !Devices().other) throw std::runtime_error("no canvas device of this kind");
    }
    plat::CanvasDevice& Device() { return *Devices().main; }
    plat::CanvasDevice& OtherDevice() { return *Devices().other; }
    testing::FramePixels LastFrame(plat::CanvasDevice& device) { return ToPixels(static_cast<Made&>(device).LastFrame()); }
    using Scratch = ScratchFolder;
    static void WriteAnimStrip(int scale) {
        ASSERT_TRUE(WritePicture(L"RES\\27.png", 228 * scale, 38 * scale, testing::AnimStripArgb(scale), L"image/png"));
    }
    // GDI+ writes the test pictures.
    plat::win32::GdiplusImagingService imaging;
    bool started = imaging.Startup();
};

inline int Red(std::uint32_t rgb) { return (rgb >> 16) & 0xFF; }
inline int Green(std::uint32_t rgb) { return (rgb >> 8) & 0xFF; }
inline int Blue(std::uint32_t rgb) { return rgb & 0xFF; }

}  // namespace kestran::win32_testing

// What the Windows canvas devices share: fonts and pictures that outlive any
// one device, frames read back for tests, and pacing to the display.
#pragma once

// The fence before any system header, so the contract keeps its names.
#include "platform/win32/windows_fence.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32_canvas_image.h"
#include "platform/win32/win32_frame_pacing.h"

struct plat::CanvasFontObject {
    HFONT font = nullptr;
};
// The picture's own pixels, kept for its whole life: a device makes what it
// draws with from them, again after a reset or on another device, without
// reading the file again from whatever the working directory is by then.
struct plat::CanvasTextureObject {
    plat::win32::Pixels pixels;
};

namespace plat::win32 {

// A frame read back from a device: row-major 0x00RRGGBB.
struct CanvasFrame {
    int width = 0, height = 0;
    std::vector<std::uint32_t> rgb;
    std::uint32_t Pixel(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
};

// Fonts and pictures made for the canvas; they draw on any device.
class CanvasObjects {
public:
    CanvasObjects() = default;
    CanvasObjects(const CanvasObjects&) = delete;
    CanvasObjects& operator=(const CanvasObjects&) = delete;
    ~CanvasObjects();
    CanvasFontObject* CreateFont(int height, int width, int weight, const char* face);
    // Null when the picture cannot be read.
    CanvasTextureObject* CreateTextureFromFile(const char* path, int width, int height, Argb colourKey);
    // Frees one made here; any other pointer is left alone.
    void ReleaseFont(CanvasFontObject* font);
    void ReleaseTexture(CanvasTextureObject* texture);

private:
    std::vector<std::unique_ptr<CanvasFontObject>> fonts_;
    std::vector<std::unique_ptr<CanvasTextureObject>> textures_;
};

// The display's refresh rate from its current mode; 60 when it does not say.
double DisplayRefreshHz();
PacingClock::duration PeriodOf(double hz);

// A canvas device of this backend: paced to the display, its frames
// readable for tests.
class WindowsCanvasDevice : public CanvasDevice {
public:
    enum class Kind { Direct3D, Gdi };
    virtual Kind DeviceKind() const = 0;

    // Frames go at the display's refresh rate: a present that does not wait
    // for the retrace is held back to it here.
    void WaitForRefresh() override;
    RefreshClock::time_point RefreshAfter(RefreshClock::time_point moment) override {
        return pacer_.RefreshAfter(moment);
    }
    RefreshClock::duration RefreshPeriod() const override { return pacer_.Period(); }
    double RefreshHz() const { return refreshHz_; }

    // Keeps a copy of every frame as it is presented, for LastFrame. Both
    // may be called from any thread while the render thread presents.
    void KeepFrames(bool keep) { keepFrames_ = keep; }
    CanvasFrame LastFrame() const {
        std::lock_guard lock(lastFrameMutex_);
        return lastFrame_;
    }

protected:
    explicit WindowsCanvasDevice(double refreshHz);
    void SetRefreshHz(double hz);
    bool KeepingFrames() const { return keepFrames_; }
    // Called by Present for every frame it tried to show; `frame` is kept
    // when it was shown and frames are being kept.
    void NotePresented(bool shown, CanvasFrame frame);

private:
    double refreshHz_;
    PresentPacer pacer_;
    bool presented_ = false;  // since the last wait for a refresh
    std::atomic<bool> keepFrames_{false};
    mutable std::mutex lastFrameMutex_;
    CanvasFrame lastFrame_;
};

}  // namespace plat::win32

// The canvas service of the Windows backend: each canvas window gets the
// device chosen for it (Direct3D, or GDI without it).
#pragma once

#include <atomic>

#include "platform/win32/win32_canvas_choice.h"

namespace plat::win32 {

class WindowsCanvasService final : public CanvasGraphics {
public:
    // The device lives until the process ends, like the window it draws into.
    CanvasDevice* CreateDevice(Window window) override;
    // The device made last, for tests that read the canvas back.
    ChosenCanvasDevice* LastDevice() const { return last_.load(); }
    // Devices made from now on keep every presented frame from their first,
    // for tests: an unchanged canvas presents nothing new to catch later.
    void KeepFramesOfNewDevices(bool keep) { keepFrames_ = keep; }

private:
    std::atomic<ChosenCanvasDevice*> last_{nullptr};
    std::atomic<bool> keepFrames_{false};
};

}  // namespace plat::win32

// The canvas service the backend installs: one device per canvas window.
#include "platform/win32/win32_canvas_service.h"

#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_media.h"

namespace plat::win32 {

CanvasDevice* WindowsCanvasService::CreateDevice(Window window) {
    std::unique_ptr<ChosenCanvasDevice> device = ChosenCanvasDevice::Create(Hwnd(window));
    if (device && keepFrames_) device->KeepFrames(true);
    last_ = device.get();
    // Never deleted: the render thread is not joined and may still draw
    // while the process runs its exit handlers.
    return device.release();
}

CanvasGraphics& WindowsCanvas() {
    static WindowsCanvasService service;
    return service;
}

}  // namespace plat::win32

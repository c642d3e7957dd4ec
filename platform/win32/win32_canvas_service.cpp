// The canvas service the backend installs: one device per canvas window.
#include "platform/win32/win32_canvas.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_media.h"

namespace plat::win32 {

CanvasDevice* Direct3DCanvasService::CreateDevice(Window window) {
    std::unique_ptr<Direct3DCanvasDevice> device = Direct3DCanvasDevice::Create(Hwnd(window));
    if (device && keepFrames_) device->KeepFrames(true);
    last_ = device.get();
    // Never deleted: the render thread is not joined and may still draw
    // while the process runs its exit handlers.
    return device.release();
}

CanvasGraphics& Direct3DCanvas() {
    static Direct3DCanvasService service;
    return service;
}

}  // namespace plat::win32

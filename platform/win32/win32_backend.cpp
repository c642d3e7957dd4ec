#include "platform/win32/win32_backend.h"

#include "platform/system_process.h"
#include "platform/win32/win32_asset_folder.h"
#include "platform/win32/win32_media.h"
#include "platform/win32/win32_scaled_canvas.h"
#include "platform/win32/win32_timer_resolution.h"
#include "platform/win32/win32_window_system.h"
#include "platform/win32/windows_fence.h"

#include <objbase.h>

namespace plat::win32 {

Services InstallWindowServices() {
    // The loops sleep 1 ms between messages; at the default resolution of
    // about 15.6 ms the ticker could not take a message every 8 ms.
    RaiseTimerResolution();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    // The services live as long as the process; nothing is torn down.
    Services services;
    services.windows = new Win32WindowSystem();
    services.process = &SystemProcess();
    return Install(services);
}

void RunProgram(int (*entry)()) {
    // The open-file dialog hosts shell components that want a
    // single-threaded apartment on the thread that shows it.
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    FindAssetFolder();
    InstallWindowServices();
    Services services = Installed();
    services.imaging = &GdiplusImaging();
    // The renderer draws in 96-DPI pixels; the device draws at the canvas's scale.
    static ScaledCanvasService scaledCanvas(WindowsCanvas());
    services.canvas = &scaledCanvas;
    services.sound = &WinmmSound();
    Install(services);
    SystemProcess().Exit(entry());
}

}  // namespace plat::win32

// What every backend knows about a window: its class, procedure, owner
// thread, parent and, for dialogs, its controls.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace plat {

class ThreadQueue;

enum class WindowKind { Custom, Dialog, Edit, ScrollBar };

}  // namespace plat

struct plat::WindowObject {
    WindowKind kind = WindowKind::Custom;
    WindowClass windowClass;        // Custom windows
    std::string className;
    WindowProc procedure = nullptr;  // Custom windows
    DialogProc dialogProcedure = nullptr;  // Dialogs
    ThreadQueue* owner = nullptr;
    Window parent = nullptr;
    int controlId = 0;
    std::uint32_t style = 0;
    int x = 0, y = 0, width = 0, height = 0;
    std::atomic<bool> visible{false};

    // Edit controls: the text as GBK bytes. Scroll bars: range and position.
    std::mutex textMutex;
    std::string text;
    int scrollMin = 0, scrollMax = 100, scrollPos = 0;

    std::vector<Window> children;
    void* backendData = nullptr;
};

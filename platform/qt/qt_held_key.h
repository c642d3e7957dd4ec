// A key press held back from the toolkit until its key message is
// dispatched; every file that makes or drops the window system's list of
// them sees it whole.
#pragma once

#include <QKeyEvent>

#include <memory>

#include "platform/qt/qt_window_system.h"

struct plat::qt::QtWindowSystem::HeldKey {
    Window window = nullptr;
    int virtualKey = 0;
    std::unique_ptr<QKeyEvent> event;
};

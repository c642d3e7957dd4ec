// Starting the program on the Windows backend.
#pragma once

#include "platform/platform.h"

namespace plat::win32 {

// Installs the window system and the process service, with the system
// timer resolution raised to 1 ms (win32_timer_resolution.h); returns the
// services it replaced. For programs that need no pictures, canvas or sound
// (benchmarks).
Services InstallWindowServices();

// Finds the RES folder (win32_asset_folder.h), installs the Windows
// services, runs entry on this thread and ends the process with its result.
[[noreturn]] void RunProgram(int (*entry)());

}  // namespace plat::win32

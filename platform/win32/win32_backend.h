// Starting the program on the Windows backend.
#pragma once

namespace plat::win32 {

// Installs the Windows services, runs entry on this thread and ends the
// process with its result.
[[noreturn]] void RunProgram(int (*entry)());

}  // namespace plat::win32

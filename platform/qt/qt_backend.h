// Starting the program on the Qt backend.
#pragma once

namespace plat::qt {

// Makes the application object, installs the Qt services, runs entry on this
// thread and ends the process with its result. Without a display it says
// how to start the program instead.
[[noreturn]] void RunProgram(int argc, char** argv, int (*entry)());

}  // namespace plat::qt

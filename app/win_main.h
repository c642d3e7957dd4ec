// Start-up and the message loop of UiThread.
#pragma once

#include "platform/platform.h"

namespace kestran {

// Creates the dialog, starts RenderThread and TickerThread, records the
// working directory, creates the buttons and runs the loop. Returns 0 when
// a quit message ends the loop.
int WinMain();

// The parts of start-up, for tests that assemble the program piece by piece.
void CreateMainDialog();
void RecordStartDirectory();
void CreateImageButtons();

// Retrieves and handles one message as the loop does; false after WM_QUIT.
// The carriage-return and escape characters are dropped unhandled.
// With sleepFirst the 1 ms pause of the loop comes before the wait.
bool RunLoopOnce(plat::Message& message, bool sleepFirst = true);

}  // namespace kestran

// A request to terminate the program (SIGTERM, SIGINT, SIGHUP) ends it the
// way closing its window does, so the program keeps what it must on the way.
#pragma once

namespace plat::qt {

// Once, after the application object exists. A program that has not ended
// a few seconds after such a request (its window is not up yet, or its
// thread does not answer) ends at once.
void CloseOnTerminationSignals();

}  // namespace plat::qt

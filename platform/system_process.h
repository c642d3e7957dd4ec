// The operating system's own process service (threads, sleep, tick count,
// working directory, exit), for backends and test doubles that pass these
// calls on unchanged.
#pragma once

#include "platform/platform.h"

namespace plat {

Process& SystemProcess();

}  // namespace plat

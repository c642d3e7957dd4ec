// Asset paths are written the Windows way ("RES\41.wav"). This turns one
// into the local form, leaving GBK trail bytes (which may be 0x5C) alone.
#pragma once

#include <string>

namespace plat {

std::string LocalPath(const char* path);

}  // namespace plat

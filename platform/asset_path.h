// Asset paths are written the Windows way ("RES\41.wav"). This turns one
// into the local form, leaving GBK trail bytes (which may be 0x5C) alone,
// and finds the folder an asset path means.
#pragma once

#include <filesystem>
#include <string>

namespace plat {

std::string LocalPath(const char* path);

// The file an asset path names, as a file-system name (UTF-8). A RES folder
// in the working folder wins, as it always has; without one, "RES\..." is
// looked up in the data folder installed beside the program
// (<bin>/../share/kestran/RES), so the installed program runs from any
// folder. Other paths are only converted.
std::string AssetFileName(const char* path);
// The same with the program's own file given; empty means "not known".
std::string AssetFileName(const char* path, const std::filesystem::path& programFile);

// The data folder for a program file: <bin>/../share/kestran.
std::filesystem::path InstalledDataFolder(const std::filesystem::path& programFile);

// The running program's own file, absolute; empty when the system does not
// say. (Defined by the system part: POSIX here, Windows in win32/.)
std::filesystem::path ProgramFile();

}  // namespace plat

// The learner's data folder and the file operations the features that keep
// something for the learner need: reading a file whole, replacing it so that
// a kill or a power cut leaves either the old or the new file, and showing
// the folder in the desktop's file manager.
//
// Paths are in the platform's path form, like every path that crosses the
// contract: GBK on Windows (the backend opens files by their UTF-16 names),
// the file system's own bytes (UTF-8) elsewhere.
//
// Where the folder is:
//   Linux    $XDG_DATA_HOME/kestran, by default ~/.local/share/kestran
//   Windows  %APPDATA%\KESTRAN (the environment first, then the system's
//            Roaming application data folder)
// Tests point it at a folder of their own through that environment.
#pragma once

#include <string>
#include <string_view>

namespace plat {

// The folder, not created; empty when neither the environment nor the
// system names a place for it.
std::string UserDataFolder();
// Creates the folder and any missing parents; true when it exists afterwards.
bool CreateUserDataFolder();
// The file `gbkName` (a GBK file name) in `folder`.
std::string PathInFolder(const std::string& folder, const char* gbkName);
// A path as GBK text, to show it to the learner.
std::string GbkFromPath(const std::string& path);

enum class ReadResult { Read, Missing, Failed };
// The whole file. Missing when there is no file of that name; Failed when
// one is there but cannot be read (no access, a folder, an I/O error).
ReadResult ReadWholeFile(const std::string& path, std::string& bytes);

// Replaces the file with `bytes`, or creates it: a temporary file in the
// same folder is written, flushed to the disk and renamed over the old one,
// so the file is at every moment either all old or all new. False when any
// step failed; the old file then stays as it was.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

// Whether both paths name one existing file (however each is spelled).
bool SameFile(const std::string& a, const std::string& b);

// Opens the folder in the desktop's file manager, without waiting for it.
bool ShowFolderInFileManager(const std::string& folder);

}  // namespace plat

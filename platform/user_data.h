// The learner's data folder and the file operations the features that keep
// something for the learner need: reading a file whole, replacing it so that
// a kill or a power cut leaves either the old or the new file, appending to
// it, a lock against the other KESTRAN processes, and showing the folder in
// the desktop's file manager. platform/data_file.h builds the store every
// feature uses on these.
//
// Paths here are data paths: UTF-8 on every system. Windows gets them as
// UTF-16 at each call, so a folder name GBK cannot hold (Hangul, an emoji)
// works like any other. They are not the platform's path form of the
// contract (GBK on Windows); ListPathFromDataPath and DataPathFromListPath
// cross between the two.
//
// Where the folder is:
//   Linux    $XDG_DATA_HOME/kestran, by default ~/.local/share/kestran
//   Windows  %APPDATA%\KESTRAN (the environment first, then the system's
//            Roaming application data folder)
// Tests point it at a folder of their own through that environment.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace plat {

// The folder, not created; empty when neither the environment nor the
// system names a place for it.
std::string UserDataFolder();
// Creates the folder and any missing parents; true when it exists afterwards.
bool CreateUserDataFolder();
// The file `gbkName` (a GBK file name, as the program's texts are) in `folder`.
std::string PathInFolder(const std::string& folder, const char* gbkName);
// A data path as GBK text, to show it to the learner (a character GBK
// lacks shows as '?').
std::string GbkFromPath(const std::string& path);

// The path in the contract's path form, for the list loader: the same
// bytes on Linux; on Windows GBK, or the system's short (8.3) form of the
// path where GBK cannot hold its long form. Empty when neither names it.
std::string ListPathFromDataPath(const std::string& path);
// The other way: a path as the loader or the open dialog holds it.
std::string DataPathFromListPath(const std::string& listPath);

// Which file a path names and how it was last changed: equal stamps mean
// nobody has written it in between (to the file system's time resolution,
// and for a change that also left its size as it was).
struct FileStamp {
    std::uint64_t volume = 0, id = 0, size = 0;
    std::int64_t modified = 0, changed = 0;
    bool operator==(const FileStamp&) const = default;
};

enum class ReadResult { Read, Missing, Failed };
// The whole file, and its stamp when `stamp` is given. Missing when there
// is no file of that name; Failed when one is there but cannot be read (no
// access, a folder, an I/O error).
ReadResult ReadWholeFile(const std::string& path, std::string& bytes, FileStamp* stamp = nullptr);
// The file's stamp without reading it.
ReadResult StampOfFile(const std::string& path, FileStamp& stamp);

// Replaces the file with `bytes`, or creates it: a temporary file in the
// same folder is written, flushed to the disk and renamed over the old one,
// so the file is at every moment either all old or all new. False when any
// step failed; the old file then stays as it was. `stamp` gets the new
// file's.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, FileStamp* stamp = nullptr);

// Adds `bytes` at the end of the existing file and flushes them to the
// disk. False when there is no such file or the write failed. `stamp` gets
// the file's after the write.
bool AppendToFile(const std::string& path, std::string_view bytes, FileStamp* stamp = nullptr);

// An exclusive lock between processes on the lock file `path` (created when
// missing): flock on POSIX, LockFileEx on Windows. It ends when the object
// goes or the process dies.
class FileLock {
public:
    // Waits at most `timeoutMs` for the lock; Held() tells whether it came.
    FileLock(const std::string& path, int timeoutMs);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Held() const { return held_; }

private:
    std::intptr_t handle_ = -1;
    bool held_ = false;
};

// Whether both data paths name one existing file (however each is spelled).
bool SameFile(const std::string& a, const std::string& b);

// Opens the folder (a data path) in the desktop's file manager, without
// waiting for it.
bool ShowFolderInFileManager(const std::string& folder);

// Opens the file in the desktop's program for its kind (a web page in the
// learner's browser). False when no program took it. May wait a few
// seconds for the desktop's answer: never call it on a drill thread.
bool OpenWithDesktop(const std::string& file);

}  // namespace plat

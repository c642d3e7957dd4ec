// One file KESTRAN keeps for the learner in the data folder (the wrong-word
// book, the round's list, the settings, what later features keep), changed
// so that nothing is lost to a second KESTRAN window, an editor, a kill or
// a full disk:
//   - every change holds a lock between processes (the file kestran.lock in
//     the folder), waiting for it at most a few seconds;
//   - every change reads the file anew under that lock and decides from
//     what is there now, never from what was read before;
//   - the file is replaced atomically; a file that did not read cleanly is
//     first copied aside as it was (<stem>-原样-<date>-<time><ext>); a file
//     that cannot be read at all is never written;
//   - a change that finds the file changed again between its read and its
//     replace (an editor saving, which takes no lock) starts over;
//   - every failure goes to the failure handler, which tells the learner.
// Each call waits for the disk: call it from a thread of the feature's own,
// never from UiThread, TickerThread or RenderThread.
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/user_data.h"

namespace plat {

// The name of the lock file every DataFile of a folder shares.
inline constexpr char kDataLockName[] = "kestran.lock";
// How long a change waits for the lock before it fails.
inline constexpr int kDataLockTimeoutMs = 5000;

class DataFile {
public:
    // The file `gbkName` in `folder` (a data path); a change waits at most
    // `lockTimeoutMs` for the lock.
    DataFile(std::string folder, const char* gbkName, int lockTimeoutMs = kDataLockTimeoutMs);
    const std::string& Path() const { return path_; }
    const std::string& Folder() const { return folder_; }

    // What a change makes of the file as it is now.
    struct Change {
        bool write = false;         // false: the file stays as it is
        std::string bytes;          // the whole new file
        bool keepOldAside = false;  // the old bytes did not read cleanly: copy them aside first
    };
    // `decide` gets the file's bytes (empty when Missing); it is never asked
    // about a file that could not be read.
    using Decide = std::function<Change(ReadResult, const std::string& bytes)>;

    // Under the lock: reads the file, asks `decide`, writes what it says.
    // False (and reported) when the lock did not come, the file could not be
    // read or a write failed.
    bool Update(const Decide& decide);
    // Under the lock: appends `tail` when the file is exactly as this object
    // last read or wrote it; otherwise does what Update does with `decide`.
    bool AppendOrUpdate(std::string_view tail, const Decide& decide);
    // The file's bytes, read under the lock (so never half-written by another
    // KESTRAN). Failed (and reported) when the lock did not come either.
    ReadResult Read(std::string& bytes);

private:
    bool UpdateLocked(const Decide& decide);
    bool KeepAside(const std::string& bytes);
    bool Fail();

    std::string folder_, gbkName_, path_;
    int lockTimeoutMs_;
    std::mutex mutex_;
    std::optional<FileStamp> seen_;  // as last read or written here
};

// Called, on the thread that failed, each time a file in `folder` could not
// be locked, read or written. Set once at start-up; null: nobody is told.
void SetDataFailureHandler(void (*handler)(const std::string& folder));
// Tells the handler of a failure the store did not see itself (a data
// file the list loader has no path for).
void ReportDataFailure(const std::string& folder);

// The name of the copy kept of a file that did not read cleanly, taken at
// local time `when`: "<stem>-原样-YYYYMMDD-HHMMSS<ext>" (GBK).
std::string KeptCopyName(const std::string& gbkName, long long when);

}  // namespace plat

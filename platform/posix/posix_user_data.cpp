// The learner's data folder, atomic file replacement, appending and the
// lock between processes on POSIX. Data paths are the file system's own
// bytes (UTF-8), as the contract's paths are.
#include "platform/user_data.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "platform/gbk.h"

extern char** environ;

namespace plat {
namespace {

// The folder part of a path ("." for a bare name).
std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

FileStamp StampOf(const struct stat& info) {
    FileStamp stamp;
    stamp.volume = static_cast<std::uint64_t>(info.st_dev);
    stamp.id = static_cast<std::uint64_t>(info.st_ino);
    stamp.size = static_cast<std::uint64_t>(info.st_size);
    stamp.modified = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    stamp.changed = static_cast<std::int64_t>(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
    return stamp;
}

// The rename itself is recorded on the disk only with its folder.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// A write cut short by a kill or a power cut leaves its temporary file
// (the name and six characters); one older than an hour is no write in
// progress any more.
void RemoveStaleTemporaries(const std::string& path) {
    const std::string folder = FolderOf(path);
    const std::string name = path.substr(path.find_last_of('/') + 1);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    const time_t hourAgo = ::time(nullptr) - 3600;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string other = entry->d_name;
        if (other.size() != name.size() + 7 || other.compare(0, name.size() + 1, name + ".") != 0) continue;
        const std::string full = folder + "/" + other;
        struct stat info {};
        if (::lstat(full.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_mtime < hourAgo)
            ::unlink(full.c_str());
    }
    ::closedir(dir);
}

}  // namespace

std::string UserDataFolder() {
    // An empty or relative XDG_DATA_HOME is to be ignored.
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && dataHome[0] == '/') return std::string(dataHome) + "/kestran";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.local/share/kestran";
    return {};
}

bool CreateUserDataFolder() {
    const std::string folder = UserDataFolder();
    if (folder.empty()) return false;
    // Each missing step in turn; the base directories are the user's own
    // (0700, as the XDG rules ask).
    for (std::size_t at = 1; at <= folder.size(); ++at) {
        if (at != folder.size() && folder[at] != '/') continue;
        const std::string step = folder.substr(0, at);
        if (::mkdir(step.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string PathInFolder(const std::string& folder, const char* gbkName) {
    return folder + "/" + GbkToUtf8(gbkName ? gbkName : "");
}

std::string GbkFromPath(const std::string& path) { return Utf8ToGbk(path); }

std::string ListPathFromDataPath(const std::string& path) { return path; }
std::string DataPathFromListPath(const std::string& listPath) { return listPath; }

ReadResult StampOfFile(const std::string& path, FileStamp& stamp) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    if (!S_ISREG(info.st_mode)) return ReadResult::Failed;
    stamp = StampOf(info);
    return ReadResult::Read;
}

ReadResult ReadWholeFile(const std::string& path, std::string& bytes, FileStamp* stamp) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return ReadResult::Failed;
    }
    if (stamp) *stamp = StampOf(info);
    // One allocation for the size the file had when opened.
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            ::close(fd);
            return ReadResult::Failed;
        }
        if (got == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return ReadResult::Read;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, FileStamp* stamp) {
    const std::string folder = FolderOf(path);
    RemoveStaleTemporaries(path);
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return false;
    // The learner's files are the learner's alone, as the folder is.
    ::fchmod(fd, 0600);
    const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncFolder(folder);
    if (stamp) StampOfFile(path, *stamp);
    return true;
}

bool AppendToFile(const std::string& path, std::string_view bytes, FileStamp* stamp) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && WriteAll(fd, bytes) && ::fdatasync(fd) == 0;
    if (ok && stamp) ok = ::fstat(fd, &info) == 0;
    if (ok && stamp) *stamp = StampOf(info);
    return ::close(fd) == 0 && ok;
}

FileLock::FileLock(const std::string& path, int timeoutMs) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return;
    handle_ = fd;
    // Polled rather than blocking, so a lock held by a hung process costs
    // the caller at most the timeout.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            held_ = true;
            return;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) return;
        if (std::chrono::steady_clock::now() >= giveUp) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

FileLock::~FileLock() {
    // Closing the descriptor ends the lock.
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {}, second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

bool OpenWithDesktop(const std::string& file) {
    char* argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(file.c_str()), nullptr};
    pid_t child = 0;
    if (::posix_spawnp(&child, "xdg-open", nullptr, nullptr, argv, environ) != 0) return false;
    // xdg-open answers at once when it finds no program (or the program
    // fails to start); some desktops keep it until the browser ends, so a
    // run still going after a few seconds has opened the file.
    int status = 0;
    for (int waited = 0; waited < 5000; waited += 20) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0 && errno != EINTR) return false;
        ::usleep(20 * 1000);
    }
    std::thread([child] {
        int ignored = 0;
        while (::waitpid(child, &ignored, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

bool ShowFolderInFileManager(const std::string& folder) {
    char* argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(folder.c_str()), nullptr};
    pid_t child = 0;
    if (::posix_spawnp(&child, "xdg-open", nullptr, nullptr, argv, environ) != 0) return false;
    // Reaped on the side, so the caller does not wait for the file manager.
    std::thread([child] {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

}  // namespace plat

#include "platform/data_file.h"

#include <atomic>
#include <ctime>

namespace plat {
namespace {

std::atomic<void (*)(const std::string&)> failureHandler{nullptr};

// A change that keeps finding the file changed under it (an editor saving
// in a loop) gives up after this many tries rather than spin.
constexpr int kTries = 5;

constexpr char kAsIs[] = "-\xD4\xAD\xD1\xF9-";  // -原样-

}  // namespace

void SetDataFailureHandler(void (*handler)(const std::string& folder)) { failureHandler = handler; }

void ReportDataFailure(const std::string& folder) {
    if (const auto handler = failureHandler.load()) handler(folder);
}

std::string KeptCopyName(const std::string& gbkName, long long when) {
    const auto dot = gbkName.find_last_of('.');
    const std::string stem = dot == std::string::npos ? gbkName : gbkName.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : gbkName.substr(dot);
    const std::time_t time = static_cast<std::time_t>(when);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &time);
#else
    localtime_r(&time, &local);
#endif
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    return stem + kAsIs + stamp + extension;
}

DataFile::DataFile(std::string folder, const char* gbkName, int lockTimeoutMs)
    : folder_(std::move(folder)),
      gbkName_(gbkName ? gbkName : ""),
      path_(PathInFolder(folder_, gbkName_.c_str())),
      lockTimeoutMs_(lockTimeoutMs) {}

bool DataFile::Fail() {
    seen_.reset();
    if (const auto handler = failureHandler.load()) handler(folder_);
    return false;
}

bool DataFile::KeepAside(const std::string& bytes) {
    // Two copies within a second get a number after the time.
    const std::string name = KeptCopyName(gbkName_, static_cast<long long>(std::time(nullptr)));
    const auto dot = name.find_last_of('.');
    for (int n = 1; n < 100; ++n) {
        std::string candidate = name;
        if (n > 1) candidate.insert(dot == std::string::npos ? candidate.size() : dot, "-" + std::to_string(n));
        const std::string path = PathInFolder(folder_, candidate.c_str());
        FileStamp ignored;
        if (StampOfFile(path, ignored) != ReadResult::Missing) continue;
        return WriteFileAtomically(path, bytes);
    }
    return false;
}

bool DataFile::UpdateLocked(const Decide& decide) {
    for (int attempt = 0; attempt < kTries; ++attempt) {
        std::string bytes;
        FileStamp read;
        const ReadResult result = ReadWholeFile(path_, bytes, &read);
        if (result == ReadResult::Failed) return Fail();
        const bool existed = result == ReadResult::Read;
        seen_ = existed ? std::optional<FileStamp>(read) : std::nullopt;
        Change change = decide(result, bytes);
        if (!change.write) return true;
        // Something that takes no lock (an editor) wrote after the read: what
        // was decided may undo it, so decide again from what is there now.
        FileStamp now;
        const ReadResult again = StampOfFile(path_, now);
        if (existed ? again != ReadResult::Read || !(now == read) : again != ReadResult::Missing) continue;
        if (existed && change.keepOldAside && !KeepAside(bytes)) return Fail();  // no copy, no rewrite
        FileStamp written;
        if (!WriteFileAtomically(path_, change.bytes, &written)) return Fail();
        seen_ = written;
        return true;
    }
    return Fail();
}

bool DataFile::Update(const Decide& decide) {
    std::lock_guard guard(mutex_);
    if (!CreateUserDataFolder()) return Fail();
    const FileLock lock(PathInFolder(folder_, kDataLockName), lockTimeoutMs_);
    if (!lock.Held()) return Fail();
    return UpdateLocked(decide);
}

bool DataFile::AppendOrUpdate(std::string_view tail, const Decide& decide) {
    std::lock_guard guard(mutex_);
    if (!CreateUserDataFolder()) return Fail();
    const FileLock lock(PathInFolder(folder_, kDataLockName), lockTimeoutMs_);
    if (!lock.Held()) return Fail();
    FileStamp now;
    if (seen_ && StampOfFile(path_, now) == ReadResult::Read && now == *seen_) {
        if (tail.empty()) return true;
        FileStamp written;
        if (!AppendToFile(path_, tail, &written)) return Fail();
        seen_ = written;
        return true;
    }
    return UpdateLocked(decide);
}

ReadResult DataFile::Read(std::string& bytes) {
    std::lock_guard guard(mutex_);
    bytes.clear();
    FileStamp read;
    ReadResult result;
    {
        // No folder yet: nothing to lock, and nothing to read.
        FileStamp before;
        if (StampOfFile(path_, before) == ReadResult::Missing) {
            seen_.reset();
            return ReadResult::Missing;
        }
        const FileLock lock(PathInFolder(folder_, kDataLockName), lockTimeoutMs_);
        if (!lock.Held()) {
            Fail();
            return ReadResult::Failed;
        }
        result = ReadWholeFile(path_, bytes, &read);
    }
    if (result == ReadResult::Failed) Fail();
    seen_ = result == ReadResult::Read ? std::optional<FileStamp>(read) : std::nullopt;
    return result;
}

}  // namespace plat

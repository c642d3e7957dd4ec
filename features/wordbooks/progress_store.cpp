#include "features/wordbooks/progress_store.h"

#include "platform/data_file.h"
#include "platform/user_data.h"

namespace kestran::wordbooks {
namespace {

constexpr char kFileName[] = "\xB4\xCA\xBF\xE2\xBD\xF8\xB6\xC8.txt";  // 词库进度.txt

}  // namespace

ProgressStore::ProgressStore() : path_(plat::PathInFolder(plat::UserDataFolder(), kFileName)) {}

std::optional<Progress> ProgressStore::Read() const {
    std::string bytes;
    plat::DataFile file(plat::UserDataFolder(), kFileName);
    switch (file.Read(bytes)) {
        case plat::ReadResult::Read:
            return ParseProgress(bytes);
        case plat::ReadResult::Missing:
            return Progress{};
        case plat::ReadResult::Failed:
            break;
    }
    return std::nullopt;
}

bool ProgressStore::Change(const std::function<void(Progress&)>& change) {
    // Under the lock between KESTRAN windows, from the file as it is then.
    plat::DataFile file(plat::UserDataFolder(), kFileName);
    return file.Update([&change](plat::ReadResult result, const std::string& bytes) {
        Progress progress = result == plat::ReadResult::Read ? ParseProgress(bytes) : Progress{};
        change(progress);
        return plat::DataFile::Change{true, ProgressText(progress), false};
    });
}

}  // namespace kestran::wordbooks

#include "features/wordbooks/progress_store.h"

#include "platform/user_data.h"

namespace kestran::wordbooks {
namespace {

constexpr char kFileName[] = "\xB4\xCA\xBF\xE2\xBD\xF8\xB6\xC8.txt";  // 词库进度.txt

}  // namespace

ProgressStore::ProgressStore() : path_(plat::PathInFolder(plat::UserDataFolder(), kFileName)) {}

std::optional<Progress> ProgressStore::Read() const {
    std::string bytes;
    switch (plat::ReadWholeFile(path_, bytes)) {
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
    std::optional<Progress> progress = Read();
    if (!progress) return false;
    change(*progress);
    return plat::CreateUserDataFolder() && plat::WriteFileAtomically(path_, ProgressText(*progress));
}

}  // namespace kestran::wordbooks

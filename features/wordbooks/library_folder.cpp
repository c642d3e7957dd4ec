#include "features/wordbooks/library_folder.h"

#include <system_error>

#include "platform/asset_path.h"

namespace kestran::wordbooks {
namespace fs = std::filesystem;

namespace {

bool HoldsBooks(const fs::path& folder) {
    std::error_code error;
    return fs::is_regular_file(folder / kBooksFile, error);
}

}  // namespace

fs::path LibraryFolderName() { return fs::path(u8"\u8bcd\u5e93"); }  // 词库

fs::path LibraryFolderAmong(const fs::path& working, const fs::path& programFile) {
    const fs::path inLists = fs::path("lists") / LibraryFolderName();
    fs::path candidates[3];
    int count = 0;
    if (!working.empty()) candidates[count++] = working / inLists;
    if (!programFile.empty()) {
        candidates[count++] = programFile.parent_path() / inLists;
        candidates[count++] = plat::InstalledDataFolder(programFile) / inLists;
    }
    for (int i = 0; i < count; ++i) {
        std::error_code error;
        const fs::path absolute = fs::absolute(candidates[i], error);
        if (!error && HoldsBooks(absolute)) return absolute.lexically_normal();
    }
    return {};
}

fs::path LibraryFolder() {
    std::error_code error;
    const fs::path working = fs::current_path(error);
    return LibraryFolderAmong(error ? fs::path() : working, plat::ProgramFile());
}

}  // namespace kestran::wordbooks

#include "platform/asset_path.h"

#include <system_error>

#include "platform/gbk.h"

namespace plat {
namespace fs = std::filesystem;

namespace {

constexpr char kAssetFolder[] = "RES";

bool IsFolder(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

// Read once: the link stops naming the file if it is replaced while running.
// Never destroyed: the features' threads may look the program up while the
// process ends.
const fs::path& ProcSelfFile() {
    static const fs::path* const file = [] {
        std::error_code error;
        fs::path found = fs::read_symlink("/proc/self/exe", error);
        return new fs::path(error ? fs::path() : found);
    }();
    return *file;
}

}  // namespace

std::string LocalPath(const char* path) {
    std::string out;
    if (!path) return out;
    for (const char* p = path; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c >= 0x81 && c <= 0xFE && p[1] != '\0') {  // GBK lead byte: copy the pair
            out += *p++;
            out += *p;
            continue;
        }
        out += (c == '\\') ? '/' : *p;
    }
    return out;
}

fs::path InstalledDataFolder(const fs::path& programFile) {
    return programFile.parent_path().parent_path() / "share" / "kestran";
}

std::string AssetFileName(const char* path, const fs::path& programFile) {
    const fs::path local(GbkToUtf8(LocalPath(path)));
    if (local.empty() || local.is_absolute() || *local.begin() != kAssetFolder) return local.string();
    if (IsFolder(kAssetFolder) || programFile.empty()) return local.string();
    const fs::path installed = InstalledDataFolder(programFile);
    if (!IsFolder(installed / kAssetFolder)) return local.string();
    return (installed / local).string();
}

std::string AssetFileName(const char* path) { return AssetFileName(path, ProcSelfFile()); }

#ifndef _WIN32
fs::path ProgramFile() { return ProcSelfFile(); }
#endif

}  // namespace plat

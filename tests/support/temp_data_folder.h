// Points the learner's data folder at a fresh temporary folder for as long
// as it lives, so no test writes the real user's data folder.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#ifdef _WIN32
// Declared here rather than through <windows.h>, whose macros would rename
// the contract's names in the tests that include this.
extern "C" __declspec(dllimport) int __stdcall SetEnvironmentVariableW(const wchar_t* name, const wchar_t* value);
#endif

#include "platform/gbk.h"
#include "platform/user_data.h"

namespace kestran::testing {

// A path of the platform's form (GBK on Windows) as the standard library
// takes it, and back: the library's own narrow conversion does not know GBK.
inline std::filesystem::path FsPath(const std::string& path) {
#ifdef _WIN32
    const std::string utf8 = plat::GbkToUtf8(path);
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
#else
    return std::filesystem::path(path);
#endif
}
inline std::string PlatformPath(const std::filesystem::path& path) {
#ifdef _WIN32
    const std::u8string utf8 = path.u8string();
    return plat::Utf8ToGbk(std::string(utf8.begin(), utf8.end()));
#else
    return path.string();
#endif
}

class TempDataFolder {
public:
    TempDataFolder() {
        std::random_device random;
        base_ = std::filesystem::temp_directory_path() / ("kestran-data-" + std::to_string(random()));
        std::filesystem::create_directories(base_);
#ifdef _WIN32
        SetEnvironmentVariableW(L"APPDATA", base_.wstring().c_str());
        folder_ = base_ / "KESTRAN";
#else
        ::setenv("XDG_DATA_HOME", base_.string().c_str(), 1);
        folder_ = base_ / "kestran";
#endif
    }
    ~TempDataFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(base_, ignored);
    }
    TempDataFolder(const TempDataFolder&) = delete;
    TempDataFolder& operator=(const TempDataFolder&) = delete;

    // Where the data folder is now, and its parent.
    const std::filesystem::path& Folder() const { return folder_; }
    const std::filesystem::path& Base() const { return base_; }

private:
    std::filesystem::path base_, folder_;
};

}  // namespace kestran::testing

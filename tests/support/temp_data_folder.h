// Points the learner's data folder at a fresh temporary folder for as long
// as it lives, so no test writes the real user's data folder.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#ifdef _WIN32
// Declared here: <windows.h> would rename the contract's names by its macros.
extern "C" __declspec(dllimport) int __stdcall SetEnvironmentVariableW(const wchar_t* name, const wchar_t* value);
#endif

namespace kestran::testing {

struct TempDataFolder {
    std::filesystem::path base = std::filesystem::temp_directory_path() /
                                 ("kestran-data-" + std::to_string(std::random_device()()));
#ifdef _WIN32
    std::filesystem::path folder = base / "KESTRAN";  // where the data folder is now
    TempDataFolder() { SetEnvironmentVariableW(L"APPDATA", base.wstring().c_str()); }
#else
    std::filesystem::path folder = base / "kestran";
    TempDataFolder() { ::setenv("XDG_DATA_HOME", base.string().c_str(), 1); }
#endif
    ~TempDataFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(base, ignored);
    }
};

}  // namespace kestran::testing

#include "platform/win32/win32_asset_folder.h"

#include <vector>

#include "platform/asset_path.h"
#include "platform/win32/windows_fence.h"

namespace plat::win32 {
namespace {

bool HasAssetFolder(const std::wstring& folder) {
    const std::wstring res = folder.empty() ? L"RES" : folder + L"\\RES";
    const DWORD attributes = ::GetFileAttributesW(res.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring WorkingFolder() {
    const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
    std::vector<wchar_t> folder(needed + 1, L'\0');
    ::GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
    return folder.data();
}

std::wstring ProgramFileName() {
    // Long paths too: the buffer grows until the name fits.
    std::vector<wchar_t> file(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, file.data(), static_cast<DWORD>(file.size()));
        if (length == 0) return {};
        if (length < file.size()) break;
        file.resize(file.size() * 2);
    }
    return std::wstring(file.data());
}

std::wstring ProgramFolder() {
    const std::wstring path = ProgramFileName();
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

constexpr wchar_t kNoAssetsText[] =
    L"\u627e\u4e0d\u5230\u56fe\u7247\u548c\u58f0\u97f3\u6587\u4ef6\u5939 RES\u3002\n"
    L"\u8bf7\u5148\u89e3\u538b\u6574\u4e2a\u538b\u7f29\u5305\uff0c"
    L"\u518d\u8fd0\u884c\u89e3\u538b\u51fa\u6765\u7684\u6587\u4ef6\u5939\u91cc\u7684 KESTRAN.exe\u3002";

}  // namespace

std::optional<std::wstring> FolderWithAssets(const std::wstring& working, const std::wstring& program) {
    if (HasAssetFolder(working)) return working;
    if (!program.empty() && HasAssetFolder(program)) return program;
    return std::nullopt;
}

void FindAssetFolder() {
    const std::wstring working = WorkingFolder();
    const std::optional<std::wstring> folder = FolderWithAssets(working, ProgramFolder());
    if (!folder)
        ::MessageBoxW(nullptr, kNoAssetsText, L"KESTRAN", MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
    else if (*folder != working)
        ::SetCurrentDirectoryW(folder->c_str());
}

}  // namespace plat::win32

namespace plat {

std::filesystem::path ProgramFile() {
    return std::filesystem::path(win32::ProgramFileName());
}

}  // namespace plat

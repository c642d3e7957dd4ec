// The learner's data folder and atomic file replacement on the wide calls.
#include "platform/user_data.h"

#include <algorithm>
#include <vector>

#include "platform/win32/wide_text.h"
#include "platform/win32/windows_fence.h"

#include <shellapi.h>
#include <shlobj.h>

namespace plat {
namespace {

// FOLDERID_RoamingAppData, spelled out so no GUID library is needed.
constexpr GUID kRoamingAppData = {0x3EB685DB, 0x65F9, 0x4CF6, {0xA0, 0x3A, 0xE3, 0xEF, 0x65, 0x72, 0x9F, 0x3D}};

std::wstring Wide(const std::string& gbk) { return win32::WideFromGbk(gbk.c_str()); }

std::wstring EnvironmentValue(const wchar_t* name) {
    const DWORD needed = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0) return {};
    std::vector<wchar_t> value(needed, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(name, value.data(), needed);
    if (length == 0 || length >= needed) return {};
    return std::wstring(value.data(), length);
}

std::wstring RoamingAppData() {
    std::wstring folder = EnvironmentValue(L"APPDATA");
    if (!folder.empty()) return folder;
    PWSTR known = nullptr;
    if (SUCCEEDED(::SHGetKnownFolderPath(kRoamingAppData, 0, nullptr, &known)) && known) folder = known;
    ::CoTaskMemFree(known);
    return folder;
}

std::wstring WideUserDataFolder() {
    std::wstring base = RoamingAppData();
    if (base.empty()) return {};
    while (!base.empty() && (base.back() == L'\\' || base.back() == L'/')) base.pop_back();
    return base + L"\\KESTRAN";
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
        bytes.remove_prefix(written);
    }
    return true;
}

// A write cut short by a kill or a power cut leaves its temporary file
// (kst*.tmp); one older than an hour is no write in progress any more.
void RemoveStaleTemporaries(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW((folder + L"\\kst*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    const auto ticks = [](const FILETIME& t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    constexpr unsigned long long kHour = 36000000000ull;  // in 100 ns
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && ticks(now) - ticks(found.ftLastWriteTime) > kHour)
            ::DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

}  // namespace

std::string UserDataFolder() { return win32::GbkFromWide(WideUserDataFolder().c_str()); }

bool CreateUserDataFolder() {
    const std::wstring folder = WideUserDataFolder();
    if (folder.empty()) return false;
    // Each missing step in turn, after the drive or share part.
    for (std::size_t at = 3; at <= folder.size(); ++at) {
        if (at != folder.size() && folder[at] != L'\\' && folder[at] != L'/') continue;
        const std::wstring step = folder.substr(0, at);
        if (!IsFolder(step)) ::CreateDirectoryW(step.c_str(), nullptr);
    }
    return IsFolder(folder);
}

std::string PathInFolder(const std::string& folder, const char* gbkName) {
    return folder + "\\" + (gbkName ? gbkName : "");
}

std::string GbkFromPath(const std::string& path) { return path; }

ReadResult ReadWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    HANDLE file = ::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadResult::Missing
                                                                              : ReadResult::Failed;
    }
    char buffer[64 * 1024];
    bool ok = true;
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        bytes.append(buffer, got);
    }
    ::CloseHandle(file);
    return ok ? ReadResult::Read : ReadResult::Failed;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes) {
    const std::wstring target = Wide(path);
    const auto slash = target.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"." : target.substr(0, slash);
    RemoveStaleTemporaries(folder);
    wchar_t temporary[MAX_PATH + 16] = {};
    // A fresh, unique file in the same folder, so the rename never crosses volumes.
    if (::GetTempFileNameW(folder.c_str(), L"kst", 0, temporary) == 0) return false;
    HANDLE file = ::CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ::DeleteFileW(temporary);
        return false;
    }
    const bool written = WriteAll(file, bytes) && ::FlushFileBuffers(file);
    ::CloseHandle(file);
    if (!written ||
        !::MoveFileExW(temporary, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileW(temporary);
        return false;
    }
    return true;
}

bool SameFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION info[2] = {};
    const std::string* paths[2] = {&a, &b};
    for (int i = 0; i < 2; ++i) {
        HANDLE file = ::CreateFileW(Wide(*paths[i]).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        const bool ok = ::GetFileInformationByHandle(file, &info[i]);
        ::CloseHandle(file);
        if (!ok) return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

bool ShowFolderInFileManager(const std::string& folder) {
    const HINSTANCE result =
        ::ShellExecuteW(nullptr, L"open", Wide(folder).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace plat

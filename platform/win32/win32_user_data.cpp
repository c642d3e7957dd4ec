// The learner's data folder, atomic file replacement, appending and the
// lock between processes on the wide calls: data paths are UTF-8 inside the
// program and UTF-16 at every call, so any folder name works.
#include "platform/user_data.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/gbk.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/windows_fence.h"

#include <shellapi.h>
#include <shlobj.h>

namespace plat {
namespace {

// FOLDERID_RoamingAppData, spelled out so no GUID library is needed.
constexpr GUID kRoamingAppData = {0x3EB685DB, 0x65F9, 0x4CF6, {0xA0, 0x3A, 0xE3, 0xEF, 0x65, 0x72, 0x9F, 0x3D}};

std::wstring Wide(const std::string& utf8) { return win32::WideFromUtf8(utf8); }

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
        // Added, not subtracted: a file stamped ahead of the clock (another
        // machine writing to a share) is young, not older than an hour.
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && ticks(found.ftLastWriteTime) + kHour < ticks(now))
            ::DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

std::int64_t Ticks(const FILETIME& t) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

bool StampOfHandle(HANDLE file, FileStamp& stamp) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file, &info)) return false;
    stamp.volume = info.dwVolumeSerialNumber;
    stamp.id = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    stamp.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    stamp.modified = Ticks(info.ftLastWriteTime);
    stamp.changed = Ticks(info.ftCreationTime);
    return true;
}

// Opened to be read or looked at, never in the way of a rename or a delete.
HANDLE OpenShared(const std::string& path, DWORD access) {
    return ::CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

ReadResult OpenFailure() {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadResult::Missing : ReadResult::Failed;
}

bool IsFolderHandle(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    return ::GetFileInformationByHandle(file, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::string UserDataFolder() { return win32::Utf8FromWide(WideUserDataFolder()); }

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
    return folder + "\\" + GbkToUtf8(gbkName ? gbkName : "");
}

std::string GbkFromPath(const std::string& path) { return win32::GbkFromWide(Wide(path).c_str()); }

std::string ListPathFromDataPath(const std::string& path) {
    const std::wstring wide = Wide(path);
    if (win32::GbkHolds(wide)) return win32::GbkFromWide(wide.c_str());
    // The short form names the same file in ASCII where the volume keeps
    // 8.3 names (the system volume does by default).
    const DWORD needed = ::GetShortPathNameW(wide.c_str(), nullptr, 0);
    if (needed == 0) return {};
    std::wstring shortPath(needed, L'\0');
    const DWORD length = ::GetShortPathNameW(wide.c_str(), shortPath.data(), needed);
    if (length == 0 || length >= needed) return {};
    shortPath.resize(length);
    return win32::GbkHolds(shortPath) ? win32::GbkFromWide(shortPath.c_str()) : std::string();
}

std::string DataPathFromListPath(const std::string& listPath) {
    return win32::Utf8FromWide(win32::WideFromGbk(listPath.c_str()));
}

ReadResult StampOfFile(const std::string& path, FileStamp& stamp) {
    HANDLE file = OpenShared(path, FILE_READ_ATTRIBUTES);
    if (file == INVALID_HANDLE_VALUE) return OpenFailure();
    const bool ok = !IsFolderHandle(file) && StampOfHandle(file, stamp);
    ::CloseHandle(file);
    return ok ? ReadResult::Read : ReadResult::Failed;
}

ReadResult ReadWholeFile(const std::string& path, std::string& bytes, FileStamp* stamp) {
    bytes.clear();
    HANDLE file = OpenShared(path, GENERIC_READ);
    if (file == INVALID_HANDLE_VALUE) return OpenFailure();
    FileStamp opened;
    if (!StampOfHandle(file, opened) || IsFolderHandle(file)) {
        ::CloseHandle(file);
        return ReadResult::Failed;
    }
    if (stamp) *stamp = opened;
    bytes.reserve(static_cast<std::size_t>(opened.size));
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

bool WriteFileAtomically(const std::string& path, std::string_view bytes, FileStamp* stamp) {
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
    if (stamp) StampOfFile(path, *stamp);
    return true;
}

bool AppendToFile(const std::string& path, std::string_view bytes, FileStamp* stamp) {
    HANDLE file = OpenShared(path, GENERIC_WRITE | FILE_READ_ATTRIBUTES);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = !IsFolderHandle(file);
    while (ok && !bytes.empty()) {
        // Both offsets all ones: each write goes to the end of the file.
        OVERLAPPED atEnd{};
        atEnd.Offset = atEnd.OffsetHigh = 0xFFFFFFFF;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        ok = ::WriteFile(file, bytes.data(), chunk, &written, &atEnd) && written > 0;
        if (ok) bytes.remove_prefix(written);
    }
    ok = ok && ::FlushFileBuffers(file);
    if (ok && stamp) ok = StampOfHandle(file, *stamp);
    ::CloseHandle(file);
    return ok;
}

FileLock::FileLock(const std::string& path, int timeoutMs) {
    HANDLE file = ::CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    handle_ = reinterpret_cast<std::intptr_t>(file);
    // Polled rather than waited for, so a lock held by a hung process costs
    // the caller at most the timeout.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        OVERLAPPED first{};
        if (::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &first)) {
            held_ = true;
            return;
        }
        if (::GetLastError() != ERROR_LOCK_VIOLATION) return;
        if (std::chrono::steady_clock::now() >= giveUp) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

FileLock::~FileLock() {
    if (handle_ == -1) return;
    HANDLE file = reinterpret_cast<HANDLE>(handle_);
    if (held_) {
        OVERLAPPED first{};
        ::UnlockFileEx(file, 0, 1, 0, &first);
    }
    ::CloseHandle(file);
}

bool SameFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION info[2] = {};
    const std::string* paths[2] = {&a, &b};
    for (int i = 0; i < 2; ++i) {
        HANDLE file = OpenShared(*paths[i], 0);
        if (file == INVALID_HANDLE_VALUE) return false;
        const bool ok = ::GetFileInformationByHandle(file, &info[i]);
        ::CloseHandle(file);
        if (!ok) return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

bool OpenWithDesktop(const std::string& file) {
    // The shell may hand the file to an extension that needs COM on the
    // calling thread (as ShellExecute's documentation asks).
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const HINSTANCE result = ::ShellExecuteW(nullptr, L"open", Wide(file).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (SUCCEEDED(com)) ::CoUninitialize();
    return reinterpret_cast<INT_PTR>(result) > 32;
}

bool ShowFolderInFileManager(const std::string& folder) {
    const HINSTANCE result =
        ::ShellExecuteW(nullptr, L"open", Wide(folder).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace plat

// Where the program finds its RES folder on Windows. The pictures and the
// sound are read by paths relative to the working folder. A program started
// from a console in another folder, or by "Run" on KESTRAN.exe inside the
// zip (Explorer copies only the exe to a temporary folder), has no RES
// there: a grey dialog with invisible buttons and no word of why.
#pragma once

#include <optional>
#include <string>

namespace plat::win32 {

// The folder to work in: the working folder when it has RES, else the
// program's own folder when that has RES; nothing when neither has.
std::optional<std::wstring> FolderWithAssets(const std::wstring& working, const std::wstring& program);

// At start, before any asset is read: moves the working folder to the
// program's folder when only that one has RES; when neither has, says so
// once in a message box and the program runs on without pictures.
void FindAssetFolder();

}  // namespace plat::win32

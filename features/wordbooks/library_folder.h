// Where the word books (词库) are: a folder lists/词库 holding books.tsv,
// one folder a book and a GBK word list a chapter:
//
//   lists/词库/books.tsv             <folder>\t<name>\t<chapters>\t<words>, UTF-8
//   lists/词库/四级/四级-001.txt     chapter 1 of 四级
//
// It is looked for, in this order, in the working folder (the source tree
// that ./run.sh starts in, and the program's folder on Windows, where the
// program moves its working folder to find RES), beside the program file
// (lists\词库 beside KESTRAN.exe in the zip and the setup), and in the data
// folder installed beside the program (/usr/share/kestran/lists/词库 for
// /usr/bin/kestran).
//
// Paths are std::filesystem paths: UTF-16 names on Windows, the file
// system's own bytes (UTF-8) elsewhere, so no folder name is lost on the way.
#pragma once

#include <filesystem>

namespace kestran::wordbooks {

// The folder found, absolute; empty when there is none.
std::filesystem::path LibraryFolder();

// The same, with the working folder and the program file given (either may
// be empty: not known).
std::filesystem::path LibraryFolderAmong(const std::filesystem::path& working,
                                         const std::filesystem::path& programFile);

// The name of the folder, 词库, and of its list of books.
std::filesystem::path LibraryFolderName();
inline constexpr char kBooksFile[] = "books.tsv";

}  // namespace kestran::wordbooks

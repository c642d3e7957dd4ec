// Reading a list file whole, for the checker.
#pragma once

#include <string>
#include <string_view>

namespace kestran::listtool {

// The file's bytes; false, with the reason in `error`, when it cannot be
// opened or read, or is not a regular file (the files the loader refuses).
bool ReadWholeFile(const char* path, std::string& bytes, std::string& error);

// The bytes as the loader sees them: CR LF as LF, nothing from the first
// 0x1A on.
std::string AsLoaderReadsIt(std::string_view raw);

}  // namespace kestran::listtool

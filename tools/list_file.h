// Reading a list file whole, for the checker.
#pragma once

#include <string>

namespace kestran::listtool {

// The file's bytes, in a string sized to the file (no room to spare, so a
// large list is held once); false, with the reason in `error`, when it
// cannot be opened or read, or is not a regular file (the files the loader
// refuses). Throws std::bad_alloc when memory cannot hold the file.
bool ReadWholeFile(const char* path, std::string& bytes, std::string& error);

// Turns the bytes into what the loader reads, in place: CR LF as LF,
// nothing from the first 0x1A on.
void ToLoaderText(std::string& bytes);

}  // namespace kestran::listtool

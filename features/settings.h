// The learner's settings: one small file, 设置.txt in the data folder, of
// key=value lines (GBK, one setting a line). Any feature keeps its choices
// here under keys of its own, e.g. "speech.speakWords=1".
//
// Lines that are not key=value (a comment, a blank line) are kept as they
// are when the file is written again. Every change is written at once and
// atomically. Safe to call from any thread.
#pragma once

#include <string>

namespace kestran::settings {

// The value of `key`, or `fallback` when the file or the key is missing.
std::string Get(const std::string& key, const std::string& fallback = "");
// "1" is true, "0" false; anything else gives `fallback`.
bool GetFlag(const std::string& key, bool fallback);

// Sets the key and writes the file. False when it could not be written
// (the value is still kept for this run).
bool Set(const std::string& key, const std::string& value);
bool SetFlag(const std::string& key, bool value);

// Forgets what was read, so the next call reads the file again. Tests only.
void ForgetForTest();

}  // namespace kestran::settings

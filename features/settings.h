// The learner's settings: one small file, 设置.txt in the data folder, of
// key=value lines (GBK, one setting a line). Any feature keeps its choices
// here under keys of its own, e.g. "speech.speakWords=1".
//
// Lines that are not key=value (a comment, a blank line) are kept as they
// are when the file is written again. The file is read once, at the first
// Get or Set (at start-up); after that the values come from memory. Every
// change is written on a thread of its own through plat::DataFile: under
// the lock between KESTRAN processes, into the file as it is then (so a
// hand edit or another window's change stays), atomically; a file that
// cannot be read is never written, and the learner is told. Safe to call
// from any thread; Set never waits for the disk.
#pragma once

#include <chrono>
#include <string>

namespace kestran::settings {

// The value of `key`, or `fallback` when the file or the key is missing.
std::string Get(const std::string& key, const std::string& fallback = "");
// "1" is true, "0" false; anything else gives `fallback`.
bool GetFlag(const std::string& key, bool fallback);

// Sets the key for this run and has the file changed.
void Set(const std::string& key, const std::string& value);
void SetFlag(const std::string& key, bool value);
// Returns once every change asked for so far is written (or failed).
void WaitForWrites();
// The same at the end of the program: waits at most `limit`.
void WaitForWritesWithin(std::chrono::milliseconds limit);

// Waits for the writes and forgets what was read, so the next call reads
// the file again. Tests only.
void ForgetForTest();

}  // namespace kestran::settings

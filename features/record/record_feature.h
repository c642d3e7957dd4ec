// The study record in the drill: every counted test answer, practice hit
// and counted miss goes into the record file (学习记录.db in the learner's
// data folder) on a thread of the record's own, and moves the entry's
// memory; 今日复习 (F11) drills the entries due today as a test.
//
// The menu's count comes from memory, kept by the record's thread; nothing
// here reads or writes a file on the drill's threads.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace kestran::record {

// Sets the hooks and adds the menu item. Once, at start-up.
void Install();

// The record file's data path (UTF-8) and the 今日复习 list's.
std::string RecordPath();
std::string ReviewListPath();

// The entries due today, as last counted (capped by the daily limit).
std::size_t DueToday();
// Returns once every judgement handed over so far is written.
void WaitForRecordWrites();
// Closes the record, so the next judgement opens it anew where the data
// folder is then. Tests only.
void CloseForTest();

// What the record's thread posts to MainDialog for UiThread: 今日复习's
// list is written (open it as a test), and a notice for the learner.
inline constexpr unsigned kReviewReadyMessage = 0x8000 + 0x52;  // WM_APP + 'R'
inline constexpr unsigned kNoticeMessage = 0x8000 + 0x4E;       // WM_APP + 'N'

// `kestran --export FILE`: writes the record as CSV; the exit code.
int ExportCommand(const std::filesystem::path& file);

}  // namespace kestran::record

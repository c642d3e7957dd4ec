// 学习报告 in the drill: the menu item and F12 write the report on a thread
// of the feature's own and open it in the learner's browser; when it cannot
// be written, or no program opens it, the learner is told (with the page's
// path), once. `kestran --report` writes it without a window.
#pragma once

namespace kestran::report {

// Adds the menu item and its key, and the hook that shows the notices.
// Once, at start-up.
void Install();

// What the report's thread posts to MainDialog for UiThread: a notice for
// the learner is waiting.
inline constexpr unsigned kReportNoticeMessage = 0x8000 + 0x48;  // WM_APP + 'H'

// Writes the report from the data folder, prints its path (or why not, to
// standard error) and answers the exit code. Needs no display.
int ReportCommand();

// Returns once the report asked for last is written and handed on. Tests only.
void WaitForReportForTest();

}  // namespace kestran::report

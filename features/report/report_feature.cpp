#include "features/report/report_feature.h"

#include <atomic>
#include <cstdlib>
#include <cstdio>
#include <mutex>
#include <string>

#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "features/background_queue.h"
#include "features/feature_menu.h"
#include "features/record/learner_clock.h"
#include "features/record/record_feature.h"
#include "features/report/report_writer.h"
#include "features/settings.h"
#include "features/wordbooks/library_folder.h"
#include "platform/platform.h"
#include "platform/user_data.h"

namespace kestran::report {
namespace {

constexpr char kReportText[] = "\xD1\xA7\xCF\xB0\xB1\xA8\xB8\xE6";  // 学习报告
// 学习报告已写好，但没有程序打开它。请在浏览器中打开：
constexpr char kNotOpened[] =
    "\xD1\xA7\xCF\xB0\xB1\xA8\xB8\xE6\xD2\xD1\xD0\xB4\xBA\xC3\xA3\xAC\xB5\xAB\xC3\xBB\xD3\xD0\xB3\xCC\xD0\xF2\xB4\xF2"
    "\xBF\xAA\xCB\xFC\xA1\xA3\xC7\xEB\xD4\xDA\xE4\xAF\xC0\xC0\xC6\xF7\xD6\xD0\xB4\xF2\xBF\xAA\xA3\xBA";
// 学习报告未能写入：
constexpr char kNotWritten[] = "\xD1\xA7\xCF\xB0\xB1\xA8\xB8\xE6\xCE\xB4\xC4\xDC\xD0\xB4\xC8\xEB\xA3\xBA";

// The report's writes, off the drill's threads. Never destroyed: its
// thread runs until the process ends.
BackgroundQueue& ReportWrites() {
    static auto* queue = new BackgroundQueue();
    return *queue;
}

// A report asked for while one is being written adds nothing: the one
// under way is the latest.
std::atomic<bool> writing{false};

struct Notice {
    std::mutex mutex;
    std::string text;  // GBK; empty: none
    unsigned icon = 0;
};
Notice& TheNotice() {
    static Notice notice;
    return notice;
}

// The record's own file, clock and target, so the report schedules as the
// record does (and moves with its test clock).
ReportRequest RequestNow() {
    const double target = std::atof(settings::Get("record.targetRetention", "0.9").c_str());
    return {plat::UserDataFolder(), record::RecordPath(), wordbooks::ReadBooks(wordbooks::LibraryFolder()),
            record::NowMs(), target > 0.5 && target < 1.0 ? target : 0.9};
}

void Tell(std::string text, unsigned icon) {
    {
        Notice& notice = TheNotice();
        std::lock_guard lock(notice.mutex);
        notice.text = std::move(text);
        notice.icon = icon;
    }
    plat::PostMessage(MainDialog, kReportNoticeMessage, 0, 0);
}

void WriteAndOpen() {
    const ReportResult result = WriteReport(RequestNow());
    writing = false;
    if (!result.written) {
        Tell(std::string(kNotWritten) + "\n" + plat::GbkFromPath(result.path) + "\n" + result.error, plat::MB_ICONWARNING);
        return;
    }
    if (!plat::OpenWithDesktop(result.path))
        Tell(std::string(kNotOpened) + "\n" + plat::GbkFromPath(result.path), plat::MB_ICONINFORMATION);
}

std::string ReportText() { return kReportText; }
void AskForReport() {
    if (writing.exchange(true)) return;
    ReportWrites().Post(WriteAndOpen);
}

// UiThread: the notice the report's thread left, in a box of the dialog.
bool OnUiMessage(const plat::Message& message) {
    if (message.message != kReportNoticeMessage) return false;
    std::string text;
    unsigned icon = 0;
    {
        Notice& notice = TheNotice();
        std::lock_guard lock(notice.mutex);
        text.swap(notice.text);
        icon = notice.icon;
    }
    if (!text.empty()) plat::MessageBox(MainDialog, text.c_str(), kReportText, icon);
    return true;
}

}  // namespace

void Install() {
    hooks::uiMessage.Add(OnUiMessage);
    menu::AddItem({ReportText, plat::VK_F12, nullptr, nullptr, AskForReport, false});
}

int ReportCommand() {
    const ReportResult result = WriteReport(RequestNow());
    if (!result.written) {
        std::fprintf(stderr, "kestran: the study report could not be written to %s: %s\n", result.path.c_str(),
                     result.error.c_str());
        return 1;
    }
#ifdef _WIN32
    // A Chinese console, and the files Windows tools read, are GBK.
    std::printf("%s\n", plat::GbkFromPath(result.path).c_str());
#else
    std::printf("%s\n", result.path.c_str());
#endif
    return 0;
}

void WaitForReportForTest() { ReportWrites().Flush(); }

}  // namespace kestran::report

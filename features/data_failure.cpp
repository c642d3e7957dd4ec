#include "features/data_failure.h"

#include <atomic>
#include <mutex>
#include <string>

#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "platform/data_file.h"
#include "platform/platform.h"

namespace kestran::data_failure {
namespace {

// 无法读写数据文件夹里的文件，错题本和设置没有保存。请检查这个文件夹：
constexpr char kText[] =
    "\xCE\xDE\xB7\xA8\xB6\xC1\xD0\xB4\xCA\xFD\xBE\xDD\xCE\xC4\xBC\xFE\xBC\xD0\xC0\xEF\xB5\xC4\xCE\xC4\xBC\xFE\xA3\xAC"
    "\xB4\xED\xCC\xE2\xB1\xBE\xBA\xCD\xC9\xE8\xD6\xC3\xC3\xBB\xD3\xD0\xB1\xA3\xB4\xE6\xA1\xA3"
    "\xC7\xEB\xBC\xEC\xB2\xE9\xD5\xE2\xB8\xF6\xCE\xC4\xBC\xFE\xBC\xD0\xA3\xBA";

std::atomic<bool> told{false};
std::mutex folderMutex;
std::string failedFolder;  // a data path

// Any thread: only the first failure of the run asks UiThread to tell.
void OnFailure(const std::string& folder) {
    if (told.exchange(true)) return;
    {
        std::lock_guard lock(folderMutex);
        failedFolder = folder;
    }
    plat::PostMessage(MainDialog, kTellMessage, 0, 0);
}

bool OnUiMessage(const plat::Message& message) {
    if (message.message != kTellMessage) return false;
    std::string folder;
    {
        std::lock_guard lock(folderMutex);
        folder = failedFolder;
    }
    const std::string text = std::string(kText) + "\n" + plat::GbkFromPath(folder);
    plat::MessageBox(MainDialog, text.c_str(), "KESTRAN", plat::MB_ICONWARNING);
    return true;
}

}  // namespace

void Install() {
    plat::SetDataFailureHandler(OnFailure);
    hooks::uiMessage.Add(OnUiMessage);
}

bool ToldForTest() { return told; }

void ResetForTest() { told = false; }

}  // namespace kestran::data_failure

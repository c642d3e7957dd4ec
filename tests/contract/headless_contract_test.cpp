// The window-system contract on the display-less backend. It has no pointer:
// closing is the message a close button would post.
#include "tests/contract/window_contract.h"

#include "platform/core/thread_queue.h"
#include "platform/headless/headless_backend.h"

namespace kestran::contract {
namespace {

class HeadlessDriver {
public:
    HeadlessDriver() {
        previous_ = plat::Install(plat::Services{&windows_, nullptr, nullptr, nullptr, &plat::SystemProcess()});
        dialog_ = plat::CreateDialog(MainDialogTemplate(), nullptr, RecordingDialogProc, 0);
    }
    ~HeadlessDriver() { plat::Install(previous_); }

    plat::Window Dialog() const { return dialog_; }
    bool DoubleClick(plat::Window) { return false; }
    bool ClickScrollBar(plat::Window, ScrollPart) { return false; }
    bool RightClick(plat::Window) { return false; }

    // The menu's "modal loop" serves requests until it is answered.
    void AnswerNextPopupMenu(std::chrono::milliseconds after, PopupChoice choose) {
        windows_.popupMenuAnswer = [after, choose](const plat::HeadlessWindowSystem::PopupMenuCall& call) {
            const auto end = Clock::now() + after;
            while (Clock::now() < end) {
                plat::CurrentThreadQueue().RunSentRequests();
                std::this_thread::sleep_for(1ms);
            }
            std::vector<PopupSeen> seen;
            for (const auto& item : call.items) seen.push_back(PopupSeen{item.text, item.keyHint, item.checked, item.greyed});
            return choose(seen);
        };
    }
    void UserClose(plat::Window dialog) { plat::PostMessage(dialog, plat::WM_CLOSE, 0, 0); }

    // The box's "modal loop" serves requests from other threads until it is
    // answered.
    void CloseNextMessageBox(int answer, std::chrono::milliseconds after, std::function<void()> justBefore) {
        windows_.messageBoxAnswer = [answer, after, justBefore](const auto&) {
            const auto end = Clock::now() + after;
            while (Clock::now() < end) {
                plat::CurrentThreadQueue().RunSentRequests();
                std::this_thread::sleep_for(1ms);
            }
            justBefore();
            return answer;
        };
    }

private:
    plat::HeadlessWindowSystem windows_;
    plat::Services previous_;
    plat::Window dialog_ = nullptr;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Headless, WindowContract, HeadlessDriver);

}  // namespace
}  // namespace kestran::contract

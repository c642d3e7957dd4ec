#include "features/wordbook/learner_presence.h"

#include <atomic>
#include <cstdint>

#include "drill/feature_hooks.h"
#include "platform/platform.h"

namespace kestran::wordbook {
namespace {

// Nothing typed for this long: the learner has gone, however slow the words.
constexpr std::uint32_t kAwayAfterMs = 60'000;

// Tick counts (milliseconds, wrapping); written by one thread each.
std::atomic<bool> dialogActive{true};         // UiThread
std::atomic<bool> keyPressed{false};          // UiThread
std::atomic<std::uint32_t> lastKeyAt{0};      // UiThread
std::atomic<std::uint32_t> wordShownAt{0};    // RenderThread: the word now crossing
std::atomic<std::uint32_t> wordBeforeAt{0};   // RenderThread: the one before it
std::atomic<bool> wordsShown{false};          // RenderThread

void OnDialogActivated(bool active) { dialogActive = active; }

void OnPracticeWordShown(const WordRecord&) {
    wordBeforeAt = wordShownAt.load();
    wordShownAt = plat::GetTickCount();
    wordsShown = true;
}

}  // namespace

void NoteUiMessage(const plat::Message& message) {
    if (message.message == plat::WM_KEYDOWN || message.message == plat::WM_SYSKEYDOWN) {
        lastKeyAt = plat::GetTickCount();
        keyPressed = true;
    }
}

void InstallLearnerPresence() {
    hooks::dialogActivated.Add(OnDialogActivated);
    hooks::practiceWordShown.Add(OnPracticeWordShown);
}

bool LearnerWasDrilling() {
    if (!dialogActive || !keyPressed) return false;
    const std::uint32_t now = plat::GetTickCount();
    const std::uint32_t sinceKey = now - lastKeyAt;
    if (sinceKey >= kAwayAfterMs) return false;
    // Wrapping differences: the key is no older than the word before.
    return !wordsShown || sinceKey <= now - wordBeforeAt;
}

void ForgetLearnerPresenceForTest() {
    dialogActive = true;
    keyPressed = false;
    lastKeyAt = wordShownAt = wordBeforeAt = 0;
    wordsShown = false;
}

}  // namespace kestran::wordbook

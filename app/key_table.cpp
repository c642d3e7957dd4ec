#include "app/key_table.h"
#include "app/end_program.h"
#include "drill/common_steps.h"

#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "drill/test_check.h"
#include "drill/texts.h"
#include "platform/platform.h"

namespace kestran {

namespace {

bool CtrlHeld() { return (plat::GetKeyState(plat::VK_CONTROL) & 0x8000) != 0; }

// Space: acknowledges a finished pass or test result.
bool OnSpace() {
    if (drill.randomOrder == 1 && drill.practiceFinished == 1) {
        RestartRandomProgress();
    }
    if (drill.practiceFinished == 1 || drill.resultPending == 1) {
        const bool roundOver = RoundAwaitsAcknowledgement();
        drill.practiceFinished = 0;
        drill.resultPending = 0;
        drill.paused = 0;
        ClearAnswerBox();
        if (roundOver) hooks::roundStarted();
        return false;  // an acknowledgement types nothing
    }
    return true;
}

void OnEscape() {
    int answer = plat::MessageBox(Canvas, texts::kExitQuestion, texts::kProgramName,
                                  plat::MB_OKCANCEL | plat::MB_ICONWARNING);
    if (answer == plat::IDOK) EndProgram(0);
}

}  // namespace

bool HandleKeyDown(int virtualKey) {
    switch (virtualKey) {
        case plat::VK_SPACE:
            return OnSpace();
        case plat::VK_ESCAPE:
            OnEscape();
            return true;
        case plat::VK_DOWN:
        case plat::VK_UP:
            Toggle(drill.paused);
            return true;
        case plat::VK_LEFT:
            if (CtrlHeld()) {
                drill.paused = 1;
                if (drill.scrollX >= 6) drill.scrollX = drill.scrollX - 2;
            }
            return true;
        case plat::VK_RIGHT:
            if (CtrlHeld()) {
                drill.paused = 1;
                if (drill.scrollX <= 450) drill.scrollX = drill.scrollX + 2;
            }
            return true;
        case plat::VK_RETURN:
            if (drill.testMode == 0)
                ClearAnswerBox();
            else
                CheckTestAnswer();
            return true;
        default:
            return true;
    }
}

}  // namespace kestran

#include "drill/common_steps.h"

#include "drill/drill_state.h"
#include "platform/platform.h"

namespace kestran {

void ClearAnswerBox() { plat::SetDlgItemText(MainDialog, kAnswerBoxId, ""); }

void ReadAnswerBox(char (&typed)[kAnswerBufferSize]) {
    plat::GetDlgItemText(MainDialog, kAnswerBoxId, typed, kAnswerBufferSize);
    typed[kAnswerBufferSize - 1] = '\0';
    drill.typedAnswer.Set(typed);
}

bool RoundAwaitsAcknowledgement() {
    return drill.practiceFinished == 1 || (drill.resultPending == 1 && drill.testFinished == 1);
}

void RestartRandomProgress() {
    drill.randomProgress = 1;
    drill.randomProgressText.Set("1");
}

}  // namespace kestran

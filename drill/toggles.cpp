#include "drill/toggles.h"
#include "drill/common_steps.h"

#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "drill/list_identity.h"
#include "drill/random_draw.h"
#include "drill/button_visual.h"

namespace kestran {
namespace {

struct ColourScheme {
    std::uint32_t clear, word, label;
};
constexpr ColourScheme kFirstScheme{0xFF0000FFu, 0xFFFFFF00u, 0xFFFFFFFFu};
constexpr ColourScheme kSecondScheme{0xFF000000u, 0xFF0000FFu, 0xFFFFFF00u};

// Only the order and open buttons erase their background when pressed.
void InvalidateButton(const Shared<plat::Window>& button, bool erase) { plat::InvalidateRect(button, erase); }

// First word of a random practice pass. A list with no entries has nothing
// to draw: the pass records nothing and the ticker ends it.
void StartRandomPractice() {
    plat::srand(plat::GetTickCount());
    drill.practiceShown = 0;
    const int count = drill.wordCount;
    std::int32_t* slots = drill.drawnIndices;
    if (count <= 0 || !slots) {
        drill.practiceDrawn = 0;
        return;
    }
    drill.practiceIndex = DrawIndex(count);
    drill.practiceDrawn = 0;
    WriteSlot(slots, drill.practiceDrawn, drill.practiceIndex);
    drill.practiceDrawn = drill.practiceDrawn + 1;
}

// First question of a random test, different from the last one answered
// right in file order. With one entry there is no other: 0 stands. With no
// entries nothing is drawn or recorded.
void StartRandomTest() {
    drill.correctTotalF = 0.0f;
    drill.wrongCount = 0;
    drill.correctCount = 0;
    plat::srand(plat::GetTickCount());
    const int count = drill.wordCount;
    std::int32_t* slots = drill.drawnIndices;
    if (count > 0 && slots) {
        drill.testIndex = DrawIndexOtherThan(count, drill.testPrevIndex);
        drill.testDrawn = 0;
        WriteSlot(slots, 0, drill.testIndex);
    } else {
        drill.testDrawn = 0;
    }
    drill.randomAnswered = 0;
    drill.testRandomStarted = 0;
}

}  // namespace

void ToggleOrder() {
    InvalidateButton(OrderButton, true);
    RestartRandomProgress();
    Toggle(drill.randomOrder);
    drill.practiceDrawn = 0;
    drill.practiceShown = 0;
    drill.practiceIndex = 0;
    drill.scrollX = kWordStartX;
    hooks::roundStarted();
    if (drill.listLoaded != 1) return;

    drill.testFinished = 0;
    drill.sequentialCorrectF = 0.0f;
    drill.testIndex = 0;
    drill.correctTotalF = 0.0f;
    drill.wrongCount = 0;
    drill.correctText.Set("0");
    drill.wrongText.Set("0");
    drill.randomAnswered = 0;

    if (drill.testMode == 0 && drill.randomOrder == 1) StartRandomPractice();
    if (drill.testMode == 0 && drill.randomOrder == 0) {
        drill.practiceIndex = 0;
        drill.practicePrevIndex = 0;
    }
    if (drill.testMode == 1 && drill.randomOrder == 0) {
        drill.correctTotalF = 0.0f;
        drill.correctCount = 0;
        drill.correctText.Set("0");
        drill.wrongCount = 0;
        drill.wrongText.Set("0");
        drill.testDrawn = 0;
        drill.testIndex = 0;
        drill.testPrevIndex = 0;
        drill.hitAnimBlocked = 0;
    }
    if (drill.testMode == 1 && drill.randomOrder == 1) StartRandomTest();
    // The pass just set up belongs to this list; the ticker must not take
    // it for one left from an earlier list.
    NoteCurrentList(practiceList);
}

void ToggleMode() {
    RestartRandomProgress();
    drill.paused = 0;
    InvalidateButton(ModeButton, false);
    ClearAnswerBox();
    Toggle(drill.testMode);
    drill.testHitAnim = 0;
    drill.hitAnimBlocked = 1;
    drill.testDrawn = 0;
    drill.resultPending = 0;
    drill.practiceFinished = 0;
    drill.practiceIndex = 0;
    drill.scrollX = kWordStartX;
    hooks::roundStarted();
    if (drill.listLoaded != 1) return;

    if (drill.testMode == 0 && drill.randomOrder == 1) StartRandomPractice();
    if (drill.randomOrder == 1) {
        drill.correctTotalF = 0.0f;
        drill.correctText.Set("0");
        drill.wrongCount = 0;
        drill.testDrawn = 0;
        drill.wrongText.Set("0");
    }
    if (drill.randomOrder == 0) {
        drill.correctCount = 0;
        drill.correctTotalF = 0.0f;
        drill.correctText.Set("0");
        drill.wrongCount = 0;
        drill.wrongText.Set("0");
        drill.testDrawn = 0;
        drill.testIndex = 0;
        drill.testPrevIndex = 0;
        drill.hitAnimBlocked = 0;
    }
    if (drill.randomOrder == 1 && drill.testMode == 1) StartRandomTest();
    NoteCurrentList(practiceList);
}

void ToggleColours() {
    InvalidateButton(ColourButton, false);
    Toggle(drill.altColours);
    const ColourScheme& scheme = drill.altColours == 1 ? kSecondScheme : kFirstScheme;
    drill.clearColour = scheme.clear;
    drill.wordColour = scheme.word;
    drill.labelColour = scheme.label;
}

void ToggleEffects() {
    InvalidateButton(EffectsButton, false);
    Toggle(drill.effectsOff);
    // With effects off the renderer neither plays nor ends a test hit
    // animation, and it holds the result line back while one is pending:
    // drop it, or a test finished meanwhile would never show its result.
    if (drill.effectsOff == 1) drill.testHitAnim = 0;
}

}  // namespace kestran

#include "drill/test_check.h"
#include "drill/common_steps.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "drill/current_entry.h"
#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "drill/list_identity.h"
#include "drill/random_draw.h"
#include "drill/texts.h"
#include "platform/platform.h"

namespace kestran {
namespace {

// Judges the typed answer against the entry asked; a counted answer is
// told to the features.
bool AnswerIsCorrect(const char* typed) {
    const WordRecord* entry = CurrentEntry(drill.testIndex);
    const bool right = entry && TypedMatches(*entry, typed);
    if (entry && drill.testFinished == 0) hooks::testAnswerJudged(*entry, right);
    return right;
}

void PlayHit() {
    plat::PlaySoundAsync(kHitSound);
    drill.testHitAnim = 1;
    // The renderer holds the animation, and with it the result line, while
    // hitAnimBlocked is set; an animation started here must be able to end.
    drill.hitAnimBlocked = 0;
}

// A newly opened list keeps the counters of the test on the old one, and its
// drawn-index array records nothing yet. Start a fresh test on it, with the
// set-up an order or mode switch gives, around the question already shown.
void StartFreshTestOnNewList() {
    if (!NoteCurrentList(testList)) return;
    drill.correctCount = 0;
    drill.wrongCount = 0;
    drill.correctText.Set("0");
    drill.wrongText.Set("0");
    drill.correctTotalF = 0.0f;
    drill.sequentialCorrectF = 0.0f;
    drill.sequentialAnswered = 0;
    drill.randomAnswered = 0;
    drill.testDrawn = 0;
    drill.testRandomStarted = 0;

    const int count = drill.wordCount;
    std::int32_t index = drill.testIndex;
    if (index < 0 || index >= count) drill.testIndex = index = 0;
    std::int32_t* slots = drill.drawnIndices;
    if (count > 0 && slots) WriteSlot(slots, 0, index);
    if (drill.randomOrder == 0) {
        drill.testPrevIndex = 0;
        drill.hitAnimBlocked = 0;
    }
}

void CheckSequentialAnswer() {
    if (drill.testFinished == 0) Increment(drill.sequentialAnswered);
    char typed[kAnswerBufferSize] = {};
    ReadAnswerBox(typed);

    if (AnswerIsCorrect(typed)) {
        if (drill.testFinished == 0) {
            Increment(drill.correctTotalF);
            Increment(drill.correctCount);
            Increment(drill.sequentialCorrectF);
            Increment(drill.testIndex);
            drill.testPrevIndex = drill.testIndex.load();
            drill.correctText.SetNumber(drill.correctCount);
        }
        if (drill.effectsOff == 0 && drill.testFinished == 0) PlayHit();
    } else {
        if (drill.testFinished == 0) {
            Increment(drill.wrongCount);
            Increment(drill.testIndex);
            drill.wrongText.SetNumber(drill.wrongCount);
        }
    }
    if (drill.sequentialAnswered >= drill.wordCount) {
        const bool appendDigits = drill.testFinished == 0;
        drill.testIndex = 0;
        drill.sequentialAnswered = 0;
        FinishTest(drill.sequentialCorrectF, appendDigits);
    }
    ClearAnswerBox();
}

void CheckRandomAnswer() {
    if (drill.testFinished == 0) Increment(drill.randomAnswered);
    char typed[kAnswerBufferSize] = {};
    ReadAnswerBox(typed);

    if (AnswerIsCorrect(typed)) {
        if (drill.effectsOff == 0) PlayHit();
        if (drill.testFinished == 0) {
            Increment(drill.correctTotalF);
            Increment(drill.correctCount);
            drill.correctText.SetNumber(drill.correctCount);
            DrawNextTestWord();
        }
    } else {
        if (drill.testFinished == 0) {
            Increment(drill.wrongCount);
            drill.wrongText.SetNumber(drill.wrongCount);
            DrawNextTestWord();
        }
    }
    if (drill.randomAnswered >= drill.wordCount) {
        drill.randomAnswered = 0;
        FinishTest(drill.correctTotalF, true);
    }
    ClearAnswerBox();
}

// A list with no entries asks nothing: the first Enter ends the test with a
// score of 0, without counting an answer.
void EndTestWithoutEntries() {
    char typed[kAnswerBufferSize] = {};
    ReadAnswerBox(typed);
    if (drill.testFinished == 0) FinishTest(0.0f, true);
    ClearAnswerBox();
}

// A fresh record of the test's questions: `index` alone, in slot 0.
void RestartRecord(std::int32_t* slots, std::int32_t index, bool countsSlots) {
    WriteSlot(slots, 0, index);
    drill.testDrawn = countsSlots ? 1 : 0;
}

}  // namespace

void CheckTestAnswer() {
    if (drill.listLoaded != 1) return;
    StartFreshTestOnNewList();
    if (drill.wordCount <= 0) {
        EndTestWithoutEntries();
        return;
    }
    if (drill.randomOrder == 0)
        CheckSequentialAnswer();
    else
        CheckRandomAnswer();
}

void DrawNextTestWord() {
    const int count = drill.wordCount;
    std::int32_t* slots = drill.drawnIndices;
    if (count <= 0 || !slots) return;

    if (drill.testRandomStarted == 0) {
        if (drill.randomAnswered == count) {
            drill.testRandomStarted = 1;
        } else {
            // testDrawn is the last filled slot; the next one must lie inside
            // the list and leave an entry not yet asked.
            const std::int32_t last = drill.testDrawn;
            if (last < 0 || last + 1 >= count) {
                drill.testIndex = DrawIndex(count);
                RestartRecord(slots, drill.testIndex, false);
                return;
            }
            drill.testIndex = DrawIndexNotAmong(count, slots, last + 1);
            Increment(drill.testDrawn);
            WriteSlot(slots, drill.testDrawn, drill.testIndex);
            return;
        }
    }

    if (drill.randomAnswered == count) {
        plat::srand(plat::GetTickCount());
        drill.testIndex = DrawIndex(count);
        WriteSlot(slots, 0, drill.testIndex);
        drill.testDrawn = 1;
        return;
    }
    // testDrawn counts the filled slots; the slot written next must lie
    // inside the list and an entry not yet asked must remain.
    const std::int32_t filled = drill.testDrawn;
    if (filled < 0 || filled >= count) {
        drill.testIndex = DrawIndex(count);
        RestartRecord(slots, drill.testIndex, true);
        return;
    }
    drill.testIndex = DrawIndexNotAmong(count, slots, filled);
    WriteSlot(slots, filled, drill.testIndex);
    Increment(drill.testDrawn);
}

int TestScore(float numerator, float count) {
    if (!(count > 0.0f)) return 0;
    const double score = static_cast<double>(numerator) / static_cast<double>(count) * 100.0;
    if (!std::isfinite(score)) return 0;
    if (score >= 2147483647.0) return 2147483647;
    if (score <= -2147483648.0) return -2147483647 - 1;
    return static_cast<int>(score);
}

void FinishTest(float numerator, bool appendDigits) {
    const bool ending = drill.testFinished == 0;
    drill.testScore = TestScore(numerator, drill.wordCountF);

    // The line is built whole and stored in one piece; only then is the test
    // marked finished, so the renderer never sees it half-built.
    char digits[16] = {};
    std::snprintf(digits, sizeof digits, "%d", static_cast<int>(drill.testScore));
    char line[64] = {};
    std::strncat(line, texts::kResultPrefix, sizeof line - 1);
    if (appendDigits) std::strncat(line, digits, sizeof line - 1 - std::strlen(line));
    std::strncat(line, texts::kResultSuffix, sizeof line - 1 - std::strlen(line));
    drill.scoreText.Set(digits);
    drill.resultText.Set(line);

    drill.testFinished.store(1, std::memory_order_release);
    drill.resultPending = 1;
    if (ending) hooks::testResultShown();
}

}  // namespace kestran

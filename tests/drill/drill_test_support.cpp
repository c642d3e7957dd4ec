#include "drill_test_support.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "drill/list_identity.h"
#include "ui/renderer.h"

namespace drilltest {

using namespace kestran;

void ScriptedProcess::CreateThread(void (*entry)()) { std::thread(entry).detach(); }

void ScriptedProcess::Sleep(unsigned milliseconds) {
    ++sleeps;
    if (clockMovesOnSleep) now += milliseconds;
    if (onSleep) onSleep();
}

WordList::WordList(int count, const std::function<std::string(int)>& word)
    : count_(count), records_(count + kSpareRecords), slotsWithGuards_(count + kSpareRecords + 2 * kGuardSlots, kGuard) {
    for (int i = 0; i < count + kSpareRecords; ++i) {
        kestran::WordRecord& r = records_[i];
        std::memset(&r, 0, sizeof r);
        if (i >= count) continue;
        std::string w = word ? word(i) : "w" + std::to_string(i);
        std::strncpy(r.word, w.c_str(), kWordFieldSize - 1);
        std::strncpy(r.meaning, ("m" + std::to_string(i)).c_str(), kWordFieldSize - 1);
    }
    std::fill_n(Slots(), count + kSpareRecords, kUnwritten);
}

void WordList::Install() {
    drill.listLoaded = 0;
    drill.WordTable = records_.data();
    drill.drawnIndices = Slots();
    drill.wordCount = count_;
    drill.wordCountF = static_cast<float>(count_);
    drill.scrollX = -20;
    drill.testIndex = 0;
    drill.listLoaded = 1;
}

bool WordList::GuardsIntact() const {
    auto guard = [](std::int32_t v) { return v == kGuard; };
    return std::all_of(slotsWithGuards_.begin(), slotsWithGuards_.begin() + kGuardSlots, guard) &&
           std::all_of(slotsWithGuards_.end() - kGuardSlots, slotsWithGuards_.end(), guard);
}

bool WordList::SparesUntouched() const {
    const std::int32_t* spares = slotsWithGuards_.data() + kGuardSlots + count_;
    return std::all_of(spares, spares + kSpareRecords, [](std::int32_t v) { return v == kUnwritten; });
}

void DrillTest::SetUp() {
    ResetDrillStateForTest();
    ForgetListsForTest();
    process.onSleep = nullptr;
    process.now = 1000;
    process.clockMovesOnSleep = false;
    process.sleeps = 0;
    framesDrawn = 0;
    backend.sound.Clear();
    windows.invalidations.clear();
    previous_ = plat::Install(plat::Services{&windows, &backend.imaging, nullptr, &backend.sound, &process});
    static const plat::DialogControl kControls[] = {
        {kAnswerBoxId, plat::ControlKind::Edit, 85, 78, 101, 14, 0, 0},
    };
    plat::DialogTemplate dialog;
    dialog.controls = kControls;
    dialog.controlCount = 1;
    MainDialog = plat::CreateDialog(dialog, nullptr, nullptr, 0);
}

void DrillTest::TearDown() {
    plat::Install(previous_);
    ResetDrillStateForTest();
    ForgetListsForTest();
}

void DrillTest::UseRealClock() {
    plat::Install(plat::Services{&windows, &backend.imaging, nullptr, &backend.sound, &backend.process});
}

void DrillTest::RendererEndsHitAnimationsInSleep() {
    process.onSleep = [this] {
        if (drill.practiceHitAnim != 1 || drill.effectsOff != 0 || drill.listLoaded != 1) return;
        if (++framesDrawn % 42 != 0) return;
        drill.practiceHitAnim = 0;
        drill.paused = 0;
    };
}

void AcknowledgeResultAndReset() {
    drill.resultPending = 0;
    if (drill.testFinished != 1 || drill.testHitAnim != 0) return;
    ResetFinishedTest();
}

}  // namespace drilltest

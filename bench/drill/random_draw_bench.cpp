// The cost of random picks in a practice pass over a long list. The last
// draws of a pass must reject almost every value, so their cost is that of
// many draws, each checked against the recorded slots.
// Target: no tick longer than 2 ms because of a draw, at the end of a pass
// over 100,000 entries. Each tick is timed in CPU time of the thread (what
// the draw costs) and in wall time (which on a shared machine also holds the
// moments the thread was not running).
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <numeric>
#include <vector>

#include "drill/drill_state.h"
#include "drill/list_identity.h"
#include "drill/practice_ticker.h"
#include "drill/random_draw.h"
#include "platform/headless/headless_backend.h"

using namespace kestran;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kCount = 100000;
constexpr double kTargetMs = 2.0;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// One tick, timed both ways.
struct TickTime {
    double cpu, wall;
};
TickTime TimedTick() {
    double cpu = ThreadCpuMs();
    Clock::time_point start = Clock::now();
    PracticeTick();
    return {ThreadCpuMs() - cpu, Ms(Clock::now() - start)};
}

struct Stats {
    double mean, p99, max;
};
Stats Summarise(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    double mean = std::accumulate(v.begin(), v.end(), 0.0) / v.size();
    return {mean, v[static_cast<std::size_t>(v.size() * 0.99)], v.back()};
}

}  // namespace

int main() {
    plat::HeadlessBackend backend;
    static const plat::DialogControl kControls[] = {{kAnswerBoxId, plat::ControlKind::Edit, 0, 0, 100, 14, 0, 0}};
    plat::DialogTemplate dialog;
    dialog.controls = kControls;
    dialog.controlCount = 1;
    MainDialog = plat::CreateDialog(dialog, nullptr, nullptr, 0);

    std::vector<WordRecord> table(kCount + kSpareRecords);
    std::vector<std::int32_t> slots(kCount + kSpareRecords);
    for (int i = 0; i < kCount; ++i) std::snprintf(table[i].word, kWordFieldSize, "word%d", i);
    drill.WordTable = table.data();
    drill.drawnIndices = slots.data();
    drill.wordCount = kCount;
    drill.wordCountF = static_cast<float>(kCount);
    drill.randomOrder = 1;
    drill.listLoaded = 1;

    // 1. A whole pass, tick by tick, every tick an advance.
    std::uint32_t clock = 1;
    backend.process.SetFixedTime(clock);
    std::vector<double> passCpu, passWall;
    PracticeTick();
    while (drill.practiceFinished == 0) {
        drill.scrollX = 500;
        backend.process.SetFixedTime(clock += 27);
        TickTime t = TimedTick();
        passCpu.push_back(t.cpu);
        passWall.push_back(t.wall);
    }
    Stats pass = Summarise(passCpu), passW = Summarise(passWall);
    Stats tail = Summarise(std::vector<double>(passCpu.end() - 1000, passCpu.end()));

    // 2. The very last draw of a pass, one free entry left, many clocks.
    std::vector<double> lastCpu, lastWall;
    std::vector<int> order(kCount);
    std::iota(order.begin(), order.end(), 0);
    for (int trial = 0; trial < 300; ++trial) {
        std::rotate(order.begin(), order.begin() + 337, order.end());
        std::copy(order.begin(), order.end() - 1, slots.begin());
        drill.practiceFinished = 0;
        drill.randomPassStarted = 1;
        drill.practiceDrawn = kCount - 1;
        drill.practiceShown = kCount - 2;
        drill.practiceIndex = order[kCount - 2];
        drill.scrollX = 500;
        NoteCurrentList(practiceList);
        backend.process.SetFixedTime(clock += 27);
        TickTime t = TimedTick();
        lastCpu.push_back(t.cpu);
        lastWall.push_back(t.wall);
        if (drill.practiceIndex != order[kCount - 1]) {
            std::printf("wrong pick: %d instead of %d\n", static_cast<int>(drill.practiceIndex), order[kCount - 1]);
            return 1;
        }
    }
    Stats last = Summarise(lastCpu), lastW = Summarise(lastWall);

    bool met = pass.max < kTargetMs && last.max < kTargetMs;
    std::printf("random practice over %d entries (target: every tick < %.1f ms of CPU time)\n", kCount, kTargetMs);
    auto row = [](const char* what, const Stats& cpu, const Stats& wall) {
        std::printf("  %-38s CPU mean %.4f  p99 %.4f  max %.4f ms | wall p99 %.4f  max %.4f ms\n", what, cpu.mean,
                    cpu.p99, cpu.max, wall.p99, wall.max);
    };
    row("whole pass, every tick an advance:", pass, passW);
    row("last 1000 ticks of the pass:", tail, Summarise(std::vector<double>(passWall.end() - 1000, passWall.end())));
    row("last draw, one entry free, 300 clocks:", last, lastW);
    std::printf("  %s\n", met ? "met" : "MISSED");
    return met ? 0 : 1;
}

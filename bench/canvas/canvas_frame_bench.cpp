// Cost of one canvas frame on the QImage device, without the wait for the
// display: the practice view with a moving word, and the test view. At 60
// frames a second, the render thread's share of one core is the time per
// frame times 60.
#include <QGuiApplication>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>
#include <algorithm>
#include <vector>

#include "drill/drill_state.h"
#include "platform/qt/qt_canvas.h"
#include "ui/renderer.h"

namespace {

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// paced: a 16 ms pause between frames, as in the program, where caches
// go cold between two frames.
void Measure(const char* view, int frames, bool paced) {
    using namespace kestran;
    const double cpuStart = ThreadCpuSeconds();
    const auto wallStart = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i) {
        drill.scrollX = -20 + i % 520;  // the word moves a pixel a frame
        RenderFrame();
        if (paced) std::this_thread::sleep_for(std::chrono::milliseconds(16));
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    const double cpu = ThreadCpuSeconds() - cpuStart;
    std::printf("%-9s %-8s %5d frames  %7.1f us/frame wall  %7.1f us/frame cpu  => %5.2f%% of a core at 60 Hz\n", view,
                paced ? "paced" : "unpaced", frames, paced ? 0.0 : wall / frames * 1e6, cpu / frames * 1e6, cpu / frames * 60 * 100);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kestran;
    QGuiApplication app(argc, argv);
    const int frames = argc > 1 ? std::atoi(argv[1]) : 3000;

    plat::qt::QtCanvasDevice device(QSize(480, 75));  // no pacing
    UseCanvasDevice(&device);
    std::vector<WordRecord> table(3 + kSpareRecords);
    std::strcpy(table[0].word, "pronunciation");
    std::strcpy(table[0].meaning, "n. \xB7\xA2\xD2\xF4");  // 发音
    drill.WordTable = table.data();
    drill.wordCount = 3;
    drill.listLoaded = 1;

    for (bool paced : {false, true}) {
        const int count = paced ? std::min(frames, 300) : frames;
        drill.testMode = 0;
        drill.listLoaded = 1;
        Measure("practice", count, paced);
        drill.testMode = 1;
        Measure("test", count, paced);
        drill.listLoaded = 0;
        Measure("no list", count, paced);
    }
    return 0;
}

// The wrong-word book leaves UiThread free: a book of 100,000 entries,
// practice at the fastest speed with the ticker reading the answer box from
// UiThread at every tick (as on Windows), misses being written all along,
// and meanwhile the menu opening, 打开错题本 (F3) and the misses themselves.
// Measured: keystroke-to-hit latency (the word typed into the box until the
// ticker takes it as a hit) and how long UiThread is busy with each message.
// Targets: hit latency p99 within two tick periods and max within 50 ms;
// no message keeps UiThread busy 20 ms or more (the list F3 hands over
// included: it is parsed off UiThread); the misses all reach the book.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/main_dialog.h"
#include "drill/current_entry.h"
#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "drill/load_word_list.h"
#include "drill/practice_ticker.h"
#include "features/feature_menu.h"
#include "features/wordbook/book_format.h"
#include "features/wordbook/list_handover.h"
#include "features/wordbook/wordbook.h"
#include "platform/headless/headless_backend.h"
#include "platform/user_data.h"

using namespace kestran;
using wordbook::BookEntry;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

constexpr int kBookEntries = 100000;
constexpr int kTrials = 150;
constexpr unsigned kFastestTickMs = 8;
constexpr int kFastestTimerId = 1;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

BookEntry Entry(const char* prefix, int i) {
    // n. 苹果；苹果树 <i>
    return BookEntry{prefix + std::to_string(i), "\xA3\xEE. \xC6\xBB\xB9\xFB\xA3\xBB\xC6\xBB\xB9\xFB\xCA\xF7 " + std::to_string(i)};
}

std::string NameOf(plat::MessageId message, plat::WParam wParam) {
    if (message == menu::kOpenMenuMessage) return "menu opening";
    if (message == wordbook::kListReadyMessage) return "book handed over (F3)";
    if (message == plat::WM_KEYDOWN) return wParam == plat::VK_F1 + 2 ? "F3 key" : "other key";
    return "other";
}

std::atomic<bool> uiRunning{true};
std::map<std::string, double> busiest;  // UiThread only, until it stops
std::map<std::string, int> seen;

// UiThread's loop, timing each message it handles.
void RunUiThread() {
    plat::Message message{};
    while (uiRunning) {
        if (!plat::WaitMessageTimeout(1000)) continue;
        if (!plat::PeekMessage(message)) continue;
        const Clock::time_point start = Clock::now();
        if (!hooks::uiMessage(message)) plat::DispatchMessage(message);
        const std::string name = NameOf(message.message, message.wParam);
        busiest[name] = std::max(busiest[name], Ms(Clock::now() - start));
        ++seen[name];
    }
}

void Post(plat::MessageId message, plat::WParam wParam, plat::LParam lParam = 0) {
    plat::PostMessage(MainDialog, message, wParam, lParam);
}

bool WaitUntil(const std::function<bool()>& condition, double limitMs) {
    const Clock::time_point start = Clock::now();
    while (!condition()) {
        if (Ms(Clock::now() - start) > limitMs) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return true;
}

}  // namespace

static std::intptr_t QuietDialogProc(plat::Window, plat::MessageId, plat::WParam, plat::LParam) { return 0; }

int main() {
    const fs::path base = fs::temp_directory_path() / ("kestran-bench-wordbook-" + std::to_string(getpid()));
    ::setenv("XDG_DATA_HOME", base.c_str(), 1);
    plat::HeadlessBackend backend;
    MainDialog = plat::CreateDialog(MainDialogTemplate(), nullptr, QuietDialogProc, 0);
    plat::CreateUserDataFolder();
    {
        std::vector<BookEntry> book;
        for (int i = 0; i < kBookEntries; ++i) book.push_back(Entry("w", i));
        plat::WriteFileAtomically(wordbook::BookPath(), wordbook::BookText(book));
    }
    const std::string practice = plat::PathInFolder(base.string(), "practice.txt");
    {
        std::vector<BookEntry> words;
        for (int i = 0; i < 200; ++i) words.push_back(Entry("p", i));
        plat::WriteFileAtomically(practice, wordbook::BookText(words));
    }
    menu::Install();
    wordbook::Install();
    wordbook::WaitForBookWrites();  // the book's first read, at start-up
    LoadWordListFrom(practice.c_str());
    drill.effectsOff = 1;  // a hit moves on at once: the latency is the ticker's alone

    std::atomic<bool> tickerRunning{true};
    std::thread ticker([&] {
        CreateTickerWindow();
        plat::KillTimer(TickerWindow, kTickTimerId);
        plat::SetTimer(TickerWindow, kFastestTimerId, kFastestTickMs);
        plat::Message message{};
        while (tickerRunning) TickerLoopPass(message);
    });
    // Misses all along, as words crossing untyped bring them: each a new
    // entry for the book's thread to write.
    std::atomic<bool> missing{true};
    std::atomic<int> misses{0};
    std::thread misser([&] {
        while (missing) {
            Post(plat::WM_KEYDOWN, 'Q');  // the learner is there
            const BookEntry e = Entry("m", misses);
            WordRecord record{};
            std::memcpy(record.word, e.word.data(), e.word.size());
            std::memcpy(record.meaning, e.meaning.data(), e.meaning.size());
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            hooks::practiceWordMissed(record);
            ++misses;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });

    std::vector<double> latencies;
    bool bookOpened = true;
    std::thread learner([&] {
        for (int trial = 0; trial < kTrials; ++trial) {
            Post(menu::kOpenMenuMessage, 0, (40 << 16) | 40);
            if (trial % 30 == 29) {
                Post(plat::WM_KEYDOWN, plat::VK_F1 + 2);  // F3: the book becomes the list
                bookOpened = bookOpened && WaitUntil([] { return drill.listLoaded == 1 && drill.wordCount >= kBookEntries; }, 10000);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
            const std::int32_t index = drill.practiceIndex;
            const WordRecord* entry = CurrentEntry(index);
            if (!entry || drill.listLoaded != 1) continue;
            const Clock::time_point typed = Clock::now();
            backend.windows.SetControlText(MainDialog, kAnswerBoxId, entry->word);
            if (WaitUntil([index] { return drill.practiceIndex != index; }, 1000))
                latencies.push_back(Ms(Clock::now() - typed));
        }
        uiRunning = false;
    });
    RunUiThread();
    learner.join();
    missing = false;
    misser.join();
    wordbook::WaitForBookWrites();
    const std::size_t bookSize = wordbook::KnownBookSize().value_or(0);

    std::sort(latencies.begin(), latencies.end());
    const double p50 = latencies.empty() ? 1e9 : latencies[latencies.size() / 2];
    const double p99 = latencies.empty() ? 1e9 : latencies[latencies.size() * 99 / 100];
    const double worst = latencies.empty() ? 1e9 : latencies.back();
    std::printf("book: %d entries; practice at %u ms a tick; %d misses written meanwhile\n", kBookEntries,
                kFastestTickMs, misses.load());
    std::printf("keystroke to hit over %zu hits: median %.1f ms, p99 %.1f ms, max %.1f ms\n", latencies.size(), p50,
                p99, worst);
    double busiestOfAll = 0;
    for (const auto& [name, ms] : busiest) {
        std::printf("UiThread busy with %-22s max %.2f ms (%d seen)\n", name.c_str(), ms, seen[name]);
        busiestOfAll = std::max(busiestOfAll, ms);
    }
    const bool ok = latencies.size() >= kTrials * 9 / 10 && p99 <= 2 * kFastestTickMs && worst < 50 &&
                    busiestOfAll < 20 && bookOpened && seen["book handed over (F3)"] > 0 &&
                    bookSize >= static_cast<std::size_t>(kBookEntries + misses);
    if (!ok) std::printf("TARGET MISSED (book now %zu entries)\n", bookSize);
    std::fflush(stdout);
    fs::remove_all(base);
    std::_Exit(ok ? 0 : 1);  // the drill's threads stay with the process
}

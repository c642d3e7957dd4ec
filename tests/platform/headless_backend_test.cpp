// The window-system rules every backend keeps, checked on the headless one:
// ownership of windows, dialog text across threads, modal loops, exit.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/core/thread_queue.h"
#include "platform/headless/headless_backend.h"
#include "platform/posix/posix_process.h"

using namespace std::chrono_literals;

namespace {

std::atomic<int> gCreates{0};
std::atomic<int> gPaints{0};
plat::LResult CountingProc(plat::Window, plat::MessageId m, plat::WParam, plat::LParam) {
    if (m == plat::WM_CREATE) ++gCreates;
    if (m == 0x0400) ++gPaints;
    return 0;
}

const plat::DialogControl kControls[] = {
    {1002, plat::ControlKind::Edit, 85, 78, 101, 14, 0x50810080, 0x221},
    {1007, plat::ControlKind::HorizontalScrollBar, 94, 96, 80, 8, 0x50000000, 0},
};

plat::DialogTemplate Template() {
    plat::DialogTemplate t;
    t.caption = "KESTRAN";
    t.width = 267;
    t.height = 116;
    t.controls = kControls;
    t.controlCount = 2;
    return t;
}

}  // namespace

TEST(HeadlessWindows, AWindowsMessagesRunOnTheThreadThatCreatedIt) {
    plat::HeadlessBackend backend;
    plat::RegisterClass(plat::WindowClass{0, CountingProc, 111, nullptr, "owned-by-worker"});
    std::atomic<plat::Window> window{nullptr};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        window = plat::CreateWindow("owned-by-worker", "", plat::WS_CHILD, 0, 0, 1, 1, nullptr);
        plat::Message m;
        while (!done) {
            if (plat::PeekMessage(m)) plat::DispatchMessage(m);
            std::this_thread::sleep_for(1ms);
        }
    });
    while (!window) std::this_thread::yield();
    EXPECT_EQ(gCreates, 1);
    plat::PostMessage(window, 0x0400, 0, 0);
    plat::Message own;
    EXPECT_FALSE(plat::PeekMessage(own)) << "the poster's own queue stays empty";
    for (int i = 0; i < 500 && gPaints == 0; ++i) std::this_thread::sleep_for(1ms);
    EXPECT_EQ(gPaints, 1);
    done = true;
    worker.join();
}

TEST(HeadlessWindows, ClassNamesAreRegisteredOnce) {
    plat::HeadlessBackend backend;
    EXPECT_TRUE(plat::RegisterClass(plat::WindowClass{0, CountingProc, 0, nullptr, "once"}));
    EXPECT_FALSE(plat::RegisterClass(plat::WindowClass{0, CountingProc, 0, nullptr, "once"}));
    EXPECT_EQ(plat::CreateWindow("never-registered", "", 0, 0, 0, 1, 1, nullptr), nullptr);
}

TEST(HeadlessDialog, AnswerBoxIsReadAcrossThreadsWhileTheOwnerShowsAModalBox) {
    plat::HeadlessBackend backend;
    plat::Window dialog = plat::CreateDialog(Template(), nullptr, nullptr, 0);
    backend.windows.SetControlText(dialog, 1002, "apple");
    std::atomic<bool> readerStarted{false};
    std::string seen;
    std::thread reader([&] {
        readerStarted = true;
        char buffer[64];
        plat::GetDlgItemText(dialog, 1002, buffer, sizeof buffer);
        seen = buffer;
    });
    while (!readerStarted) std::this_thread::yield();
    std::this_thread::sleep_for(10ms);  // the reader now waits for this thread
    backend.windows.messageBoxAnswer = [](const auto&) { return plat::IDCANCEL; };
    EXPECT_EQ(plat::MessageBox(nullptr, "?", "KESTRAN", 0x31), plat::IDCANCEL);
    reader.join();
    EXPECT_EQ(seen, "apple");
}

TEST(HeadlessDialog, TextIsCutTo63BytesAndTerminated) {
    plat::HeadlessBackend backend;
    plat::Window dialog = plat::CreateDialog(Template(), nullptr, nullptr, 0);
    backend.windows.SetControlText(dialog, 1002, std::string(100, 'x'));
    char buffer[64];
    std::memset(buffer, 0x7F, sizeof buffer);
    EXPECT_EQ(plat::GetDlgItemText(dialog, 1002, buffer, 64), 63u);
    EXPECT_EQ(std::string(buffer), std::string(63, 'x'));
}

TEST(HeadlessDialog, TranslatedKeysTypeIntoTheEditControl) {
    plat::HeadlessBackend backend;
    plat::Window dialog = plat::CreateDialog(Template(), nullptr, nullptr, 0);
    plat::Window edit = plat::GetDlgItem(dialog, 1002);
    for (int vk : {int{'A'}, plat::VK_SPACE, int{'B'}}) {
        plat::Message m{edit, plat::WM_KEYDOWN, static_cast<plat::WParam>(vk), 0};
        plat::TranslateMessage(m);
        plat::DispatchMessage(m);
        while (plat::PeekMessage(m)) plat::DispatchMessage(m);
    }
    EXPECT_EQ(backend.windows.ControlText(dialog, 1002), "a b");
}

TEST(ProcessExit, EndsAtOnceWhileAWorkerWaitsForTheUiThread) {
    EXPECT_EXIT(
        {
            plat::ThreadQueue neverServed;
            neverServed.SetOwner(std::this_thread::get_id());
            std::thread([&] { neverServed.Send([] {}); }).detach();
            std::this_thread::sleep_for(20ms);
            plat::PosixProcess().Exit(0);
        },
        testing::ExitedWithCode(0), "");
}

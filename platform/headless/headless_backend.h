// A backend without a display. Message queues, timers, dialog items and the
// cross-thread rules are real; what a person would see or hear is recorded
// instead, and the modal dialogs are answered by hooks. Tests drive the
// drill through it.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/core/window_object.h"
#include "platform/platform.h"
#include "platform/system_process.h"

namespace plat {

// Thrown by the headless Exit so a test can see the program ending.
struct ExitCalled {
    int status;
};

class HeadlessWindowSystem final : public WindowSystem {
public:
    KESTRAN_WINDOW_CALLS(KESTRAN_DECLARE_OVERRIDE)

    // --- For tests ---------------------------------------------------------
    struct MessageBoxCall {
        Window owner;
        std::string text, caption;
        unsigned type;
    };
    // Answers message boxes (default: Cancel). Runs on the calling thread,
    // inside the box's "modal loop": requests sent to it are served first.
    std::function<int(const MessageBoxCall&)> messageBoxAnswer;
    // Answers the open-file dialog (default: cancelled).
    std::function<bool(OpenFileRequest&)> openFileAnswer;
    // A popup menu as shown: its items' texts, marks and place.
    struct PopupItemSeen {
        std::string text, keyHint;
        bool checked = false, greyed = false, separatorBefore = false;
    };
    struct PopupMenuCall {
        Window owner, at;
        int x, y;
        std::vector<PopupItemSeen> items;
    };
    // Chooses from popup menus (default: dismissed, -1). Runs on the calling
    // thread, inside the menu's "modal loop". A choice of a greyed item
    // counts as dismissing, as a click on one does not close a menu.
    std::function<int(const PopupMenuCall&)> popupMenuAnswer;
    std::vector<PopupMenuCall> PopupMenuCalls();
    // Keys held down, for GetKeyState.
    void SetKeyDown(int virtualKey, bool down);

    std::vector<MessageBoxCall> MessageBoxCalls();
    int InvalidateCount(Window window);
    int SetDlgItemTextCount();
    std::vector<Window> Windows();
    Window FindWindowByClass(const std::string& className);
    std::string ControlText(Window dialog, int controlId);
    void SetControlText(Window dialog, int controlId, const std::string& gbk);
    int ScrollPos(Window scrollBar);

private:
    std::mutex mutex_;
    std::map<std::string, WindowClass> classes_;
    std::vector<Window> windows_;
    std::vector<MessageBoxCall> boxes_;
    std::vector<PopupMenuCall> menus_;
    std::map<Window, int> invalidations_;
    int setTextCount_ = 0;
    std::map<int, bool> keys_;
};

class HeadlessImaging final : public Imaging {
public:
    bool Startup() override { return true; }
    Image LoadImage(const char*) override { return nullptr; }
    unsigned ImageWidth(Image) override { return 0; }
    unsigned ImageHeight(Image) override { return 0; }
    void DrawImage(PaintContext, Image, int, int, int, int) override {}
    void GetImageEncodersSize(unsigned* count, unsigned* bytes) override;
    void GetImageEncoders(unsigned, unsigned, ImageCodecInfo*) override {}
    bool SaveImage(Image, const char*, const Guid&) override { return false; }
    Bitmap LoadBitmapFile(const char*) override { return nullptr; }
    Brush CreatePatternBrush(Bitmap) override { return nullptr; }
    Brush CreateSolidBrush(ColourRef) override { return nullptr; }
};

class HeadlessSound final : public Sound {
public:
    bool PlaySoundAsync(const char* path) override;
    std::vector<std::string> Played();
    void Clear();

    // Speech, as a test sets it up: whether a device takes it, which
    // accents a system voice speaks, and what was handed over.
    struct SpeechPlayed {
        std::string systemWord;  // empty: samples were played
        std::size_t samples = 0;
        int rate = 0;
        std::int16_t peak = 0;
    };
    bool PlaySpeechAsync(const std::int16_t* samples, std::size_t count, int rate) override;
    bool SpeakWithSystemVoice(const char* word, VoiceAccent accent) override;
    void SetSpeechDevice(bool present);
    void SetSystemVoices(std::vector<VoiceAccent> accents);
    std::vector<SpeechPlayed> Spoken();

private:
    std::mutex mutex_;
    std::vector<std::string> played_;
    bool speechDevice_ = true;
    std::vector<VoiceAccent> systemVoices_;
    std::vector<SpeechPlayed> spoken_;
};

class HeadlessProcess final : public Process {
public:
    void CreateThread(void (*entry)()) override { real_.CreateThread(entry); }
    void Sleep(unsigned milliseconds) override;
    std::uint32_t GetTickCount() override;
    unsigned GetCurrentDirectory(unsigned size, char* buffer) override { return real_.GetCurrentDirectory(size, buffer); }
    bool SetCurrentDirectory(const char* path) override { return real_.SetCurrentDirectory(path); }
    [[noreturn]] void Exit(int status) override { throw ExitCalled{status}; }

    // A fixed tick count (nullopt: the real clock). Sleep then does not sleep.
    void SetFixedTime(std::optional<std::uint32_t> ticks);

private:
    Process& real_ = SystemProcess();
    std::mutex mutex_;
    std::optional<std::uint32_t> fixed_;
};

// All four at once, installed on construction and removed on destruction.
struct HeadlessBackend {
    HeadlessWindowSystem windows;
    HeadlessImaging imaging;
    HeadlessSound sound;
    HeadlessProcess process;
    Services previous;

    HeadlessBackend();
    ~HeadlessBackend();
    HeadlessBackend(const HeadlessBackend&) = delete;
    HeadlessBackend& operator=(const HeadlessBackend&) = delete;
};

}  // namespace plat

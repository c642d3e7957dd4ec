#include "platform/headless/headless_backend.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/core/thread_queue.h"

namespace plat {

// --- Windows ---------------------------------------------------------------

bool HeadlessWindowSystem::RegisterClass(const WindowClass& windowClass) {
    if (!windowClass.className) return false;
    std::lock_guard lock(mutex_);
    return classes_.emplace(windowClass.className, windowClass).second;
}

Window HeadlessWindowSystem::CreateWindow(const char* className, const char*, std::uint32_t style, int x, int y,
                                          int width, int height, Window parent) {
    auto* w = new WindowObject();
    {
        std::lock_guard lock(mutex_);
        auto it = classes_.find(className ? className : "");
        if (it == classes_.end()) {
            delete w;
            return nullptr;
        }
        w->windowClass = it->second;
        w->procedure = it->second.procedure;
        windows_.push_back(w);
    }
    w->className = className;
    w->owner = &CurrentThreadQueue();
    w->parent = parent;
    w->style = style;
    w->x = x, w->y = y, w->width = width, w->height = height;
    w->visible = (style & WS_VISIBLE) != 0;
    if (w->procedure) w->procedure(w, WM_CREATE, 0, 0);
    return w;
}

Window HeadlessWindowSystem::CreateDialog(const DialogTemplate& t, Window, DialogProc procedure, LParam parameter) {
    auto* dialog = new WindowObject();
    dialog->kind = WindowKind::Dialog;
    dialog->dialogProcedure = procedure;
    dialog->owner = &CurrentThreadQueue();
    dialog->style = t.style;
    dialog->x = t.x, dialog->y = t.y, dialog->width = t.width, dialog->height = t.height;
    for (int i = 0; i < t.controlCount; ++i) {
        const DialogControl& c = t.controls[i];
        auto* control = new WindowObject();
        control->kind = c.kind == ControlKind::Edit ? WindowKind::Edit : WindowKind::ScrollBar;
        control->owner = dialog->owner;
        control->parent = dialog;
        control->controlId = c.id;
        control->style = c.style;
        control->x = c.x, control->y = c.y, control->width = c.width, control->height = c.height;
        dialog->children.push_back(control);
    }
    {
        std::lock_guard lock(mutex_);
        windows_.push_back(dialog);
        for (Window c : dialog->children) windows_.push_back(c);
    }
    if (procedure) procedure(dialog, WM_INITDIALOG, 0, parameter);
    return dialog;
}

Window HeadlessWindowSystem::GetDlgItem(Window dialog, int controlId) {
    if (!dialog) return nullptr;
    for (Window c : dialog->children)
        if (c->controlId == controlId) return c;
    return nullptr;
}

bool HeadlessWindowSystem::ShowWindow(Window window, int command) {
    if (!window) return false;
    bool was = window->visible;
    window->visible = command != SW_HIDE;
    return was;
}

LResult HeadlessWindowSystem::DefWindowProc(Window, MessageId, WParam, LParam) { return 0; }

bool HeadlessWindowSystem::GetMessage(Message& message) {
    CurrentThreadQueue().Take(message, true);
    return message.message != WM_QUIT;
}

bool HeadlessWindowSystem::GetMessageAfterSleep(Message& message, unsigned sleepMs) {
    CurrentThreadQueue().TakeNotBefore(message, ThreadQueue::Now() + std::chrono::milliseconds(sleepMs));
    return message.message != WM_QUIT;
}

bool HeadlessWindowSystem::PeekMessage(Message& message) { return CurrentThreadQueue().Take(message, false); }

bool HeadlessWindowSystem::WaitMessageTimeout(unsigned microseconds) {
    return CurrentThreadQueue().WaitUntil(ThreadQueue::Now() + std::chrono::microseconds(microseconds));
}

void HeadlessWindowSystem::WaitForPostedMessage() { CurrentThreadQueue().WaitForPosted(); }

void HeadlessWindowSystem::TranslateMessage(const Message& message) {
    // Key-downs of printable keys become characters for the window, as the
    // keyboard translation of a real system does (letters lower-case).
    if (message.message != WM_KEYDOWN) return;
    int vk = static_cast<int>(LowWord(message.wParam));
    int ch = 0;
    if (vk == VK_SPACE || (vk >= '0' && vk <= '9')) ch = vk;
    if (vk >= 'A' && vk <= 'Z') ch = vk - 'A' + 'a';
    if (vk == VK_BACK) ch = 0x08;
    if (ch) CurrentThreadQueue().Post(Message{message.window, WM_CHAR, static_cast<WParam>(ch), 0});
}

LResult HeadlessWindowSystem::DispatchMessage(const Message& message) {
    Window w = message.window;
    if (!w) return 0;
    switch (w->kind) {
        case WindowKind::Custom:
            return w->procedure ? w->procedure(w, message.message, message.wParam, message.lParam) : 0;
        case WindowKind::Dialog:
            return w->dialogProcedure ? w->dialogProcedure(w, message.message, message.wParam, message.lParam) : 0;
        case WindowKind::Edit:
            if (message.message == WM_CHAR) {
                std::lock_guard lock(w->textMutex);
                if (message.wParam == 0x08) {
                    if (!w->text.empty()) w->text.pop_back();
                } else {
                    w->text += static_cast<char>(message.wParam);
                }
            }
            return 0;
        case WindowKind::ScrollBar:
            return 0;
    }
    return 0;
}

void HeadlessWindowSystem::PostQuitMessage(int exitCode) { CurrentThreadQueue().PostQuit(exitCode); }

bool HeadlessWindowSystem::PostMessage(Window window, MessageId message, WParam wParam, LParam lParam) {
    if (!window || !window->owner) return false;
    window->owner->Post(Message{window, message, wParam, lParam});
    return true;
}

bool HeadlessWindowSystem::SetTimer(Window window, std::uintptr_t timerId, unsigned periodMs) {
    if (!window || !window->owner) return false;
    window->owner->SetTimer(window, timerId, periodMs);
    return true;
}

bool HeadlessWindowSystem::KillTimer(Window window, std::uintptr_t timerId) {
    if (!window || !window->owner) return false;
    return window->owner->KillTimer(window, timerId);
}

void HeadlessWindowSystem::SetKeyDown(int virtualKey, bool down) {
    std::lock_guard lock(mutex_);
    keys_[virtualKey] = down;
}

std::int16_t HeadlessWindowSystem::GetKeyState(int virtualKey) {
    std::lock_guard lock(mutex_);
    auto it = keys_.find(virtualKey);
    return (it != keys_.end() && it->second) ? static_cast<std::int16_t>(0x8000) : 0;
}

bool HeadlessWindowSystem::TrackMouseEvent(Window window, unsigned, unsigned) { return window != nullptr; }

unsigned HeadlessWindowSystem::GetDlgItemText(Window dialog, int controlId, char* buffer, int bufferSize) {
    if (!buffer || bufferSize <= 0) return 0;
    buffer[0] = '\0';
    Window control = GetDlgItem(dialog, controlId);
    if (!control) return 0;
    unsigned copied = 0;
    control->owner->Send([&] {
        std::lock_guard lock(control->textMutex);
        copied = static_cast<unsigned>(std::min<std::size_t>(control->text.size(), bufferSize - 1));
        std::memcpy(buffer, control->text.data(), copied);
        buffer[copied] = '\0';
    });
    return copied;
}

bool HeadlessWindowSystem::SetDlgItemText(Window dialog, int controlId, const char* text) {
    Window control = GetDlgItem(dialog, controlId);
    if (!control) return false;
    std::string value = text ? text : "";
    control->owner->Send([&] {
        std::lock_guard lock(control->textMutex);
        control->text = value;
    });
    std::lock_guard lock(mutex_);
    ++setTextCount_;
    return true;
}

bool HeadlessWindowSystem::SetScrollRange(Window scrollBar, int, int minimum, int maximum, bool) {
    if (!scrollBar) return false;
    std::lock_guard lock(scrollBar->textMutex);
    scrollBar->scrollMin = minimum;
    scrollBar->scrollMax = maximum;
    return true;
}

int HeadlessWindowSystem::SetScrollPos(Window scrollBar, int, int position, bool) {
    if (!scrollBar) return 0;
    std::lock_guard lock(scrollBar->textMutex);
    int previous = scrollBar->scrollPos;
    scrollBar->scrollPos = std::clamp(position, scrollBar->scrollMin, scrollBar->scrollMax);
    return previous;
}

bool HeadlessWindowSystem::InvalidateRect(Window window, bool) {
    if (!window) return false;
    {
        std::lock_guard lock(mutex_);
        ++invalidations_[window];
    }
    if (window->owner) window->owner->Invalidate(window);
    return true;
}

PaintContext HeadlessWindowSystem::BeginPaint(Window) { return nullptr; }
void HeadlessWindowSystem::EndPaint(Window, PaintContext) {}

int HeadlessWindowSystem::MessageBox(Window owner, const char* text, const char* caption, unsigned type) {
    MessageBoxCall call{owner, text ? text : "", caption ? caption : "", type};
    {
        std::lock_guard lock(mutex_);
        boxes_.push_back(call);
    }
    CurrentThreadQueue().RunSentRequests();  // a modal loop serves other threads
    return messageBoxAnswer ? messageBoxAnswer(call) : IDCANCEL;
}

bool HeadlessWindowSystem::GetOpenFileName(OpenFileRequest& request) {
    CurrentThreadQueue().RunSentRequests();
    return openFileAnswer ? openFileAnswer(request) : false;
}

int HeadlessWindowSystem::ShowPopupMenu(Window owner, Window at, int x, int y, const PopupMenuItem* items, int count) {
    PopupMenuCall call{owner, at, x, y, {}};
    for (int i = 0; i < count; ++i) {
        const PopupMenuItem& item = items[i];
        call.items.push_back(PopupItemSeen{item.text ? item.text : "", item.keyHint ? item.keyHint : "", item.checked,
                                           item.greyed, item.separatorBefore});
    }
    {
        std::lock_guard lock(mutex_);
        menus_.push_back(call);
    }
    CurrentThreadQueue().RunSentRequests();  // a modal loop serves other threads
    const int chosen = popupMenuAnswer ? popupMenuAnswer(call) : -1;
    if (chosen < 0 || chosen >= count || items[chosen].greyed) return -1;
    return chosen;
}

std::vector<HeadlessWindowSystem::PopupMenuCall> HeadlessWindowSystem::PopupMenuCalls() {
    std::lock_guard lock(mutex_);
    return menus_;
}

std::vector<HeadlessWindowSystem::MessageBoxCall> HeadlessWindowSystem::MessageBoxCalls() {
    std::lock_guard lock(mutex_);
    return boxes_;
}

int HeadlessWindowSystem::InvalidateCount(Window window) {
    std::lock_guard lock(mutex_);
    auto it = invalidations_.find(window);
    return it == invalidations_.end() ? 0 : it->second;
}

int HeadlessWindowSystem::SetDlgItemTextCount() {
    std::lock_guard lock(mutex_);
    return setTextCount_;
}

std::vector<Window> HeadlessWindowSystem::Windows() {
    std::lock_guard lock(mutex_);
    return windows_;
}

Window HeadlessWindowSystem::FindWindowByClass(const std::string& className) {
    std::lock_guard lock(mutex_);
    for (Window w : windows_)
        if (w->kind == WindowKind::Custom && w->className == className) return w;
    return nullptr;
}

std::string HeadlessWindowSystem::ControlText(Window dialog, int controlId) {
    Window control = GetDlgItem(dialog, controlId);
    if (!control) return {};
    std::lock_guard lock(control->textMutex);
    return control->text;
}

void HeadlessWindowSystem::SetControlText(Window dialog, int controlId, const std::string& gbk) {
    Window control = GetDlgItem(dialog, controlId);
    if (!control) return;
    std::lock_guard lock(control->textMutex);
    control->text = gbk;
}

int HeadlessWindowSystem::ScrollPos(Window scrollBar) {
    if (!scrollBar) return 0;
    std::lock_guard lock(scrollBar->textMutex);
    return scrollBar->scrollPos;
}

// --- Imaging, sound, process ---------------------------------------------

void HeadlessImaging::GetImageEncodersSize(unsigned* count, unsigned* bytes) {
    if (count) *count = 0;
    if (bytes) *bytes = 0;
}

bool HeadlessSound::PlaySoundAsync(const char* path) {
    std::lock_guard lock(mutex_);
    played_.push_back(path ? path : "");
    return true;
}

std::vector<std::string> HeadlessSound::Played() {
    std::lock_guard lock(mutex_);
    return played_;
}

void HeadlessSound::Clear() {
    std::lock_guard lock(mutex_);
    played_.clear();
    spoken_.clear();
}

bool HeadlessSound::PlaySpeechAsync(const std::int16_t* samples, std::size_t count, int rate) {
    std::lock_guard lock(mutex_);
    if (!speechDevice_) return false;
    SpeechPlayed played{"", count, rate, 0};
    for (std::size_t i = 0; i < count; ++i)
        played.peak = std::max<std::int16_t>(played.peak, static_cast<std::int16_t>(std::min(32767, std::abs(int{samples[i]}))));
    spoken_.push_back(played);
    return true;
}

bool HeadlessSound::SpeakWithSystemVoice(const char* word, VoiceAccent accent) {
    std::lock_guard lock(mutex_);
    if (std::find(systemVoices_.begin(), systemVoices_.end(), accent) == systemVoices_.end()) return false;
    spoken_.push_back({word ? word : "", 0, 0, 0});
    return true;
}

void HeadlessSound::SetSpeechDevice(bool present) {
    std::lock_guard lock(mutex_);
    speechDevice_ = present;
}

void HeadlessSound::SetSystemVoices(std::vector<VoiceAccent> accents) {
    std::lock_guard lock(mutex_);
    systemVoices_ = std::move(accents);
}

std::vector<HeadlessSound::SpeechPlayed> HeadlessSound::Spoken() {
    std::lock_guard lock(mutex_);
    return spoken_;
}

void HeadlessProcess::Sleep(unsigned milliseconds) {
    {
        std::lock_guard lock(mutex_);
        if (fixed_) {
            std::this_thread::yield();
            return;
        }
    }
    real_.Sleep(milliseconds);
}

std::uint32_t HeadlessProcess::GetTickCount() {
    std::lock_guard lock(mutex_);
    return fixed_ ? *fixed_ : real_.GetTickCount();
}

void HeadlessProcess::SetFixedTime(std::optional<std::uint32_t> ticks) {
    std::lock_guard lock(mutex_);
    fixed_ = ticks;
}

HeadlessBackend::HeadlessBackend() {
    previous = Install(Services{&windows, &imaging, nullptr, &sound, &process});
}

HeadlessBackend::~HeadlessBackend() { Install(previous); }

}  // namespace plat

#include "platform/win32/win32_window_system.h"

#include <chrono>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/paint_context.h"
#include "platform/win32/win32_dialog_font.h"
#include "platform/win32/win32_dialog_layout.h"
#include "platform/win32/win32_dpi.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_procedures.h"
#include "platform/win32/win32_timer_resolution.h"

namespace plat::win32 {
namespace {

// The system message behind the contract message this thread retrieved
// last: translating and dispatching it keep its time and pointer position.
thread_local MSG tRetrieved{};

Message FromSystem(const MSG& msg) { return Message{WindowOf(msg.hwnd), msg.message, msg.wParam, msg.lParam}; }

MSG ToSystem(const Message& message) {
    const MSG& last = tRetrieved;
    if (last.hwnd == Hwnd(message.window) && last.message == message.message && last.wParam == message.wParam &&
        static_cast<LParam>(last.lParam) == message.lParam)
        return last;
    MSG msg{};
    msg.hwnd = Hwnd(message.window);
    msg.message = message.message;
    msg.wParam = message.wParam;
    msg.lParam = message.lParam;
    msg.time = static_cast<DWORD>(::GetMessageTime());
    return msg;
}

// Copies GBK text into a caller's buffer of `size` bytes, NUL included,
// never splitting a two-byte character; returns the bytes copied.
unsigned CopyGbk(const std::string& gbk, char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    std::size_t length = 0;
    const std::size_t room = static_cast<std::size_t>(size) - 1;
    while (length < gbk.size()) {
        const auto c = static_cast<unsigned char>(gbk[length]);
        const std::size_t step = (c >= 0x81 && c <= 0xFE && length + 1 < gbk.size()) ? 2 : 1;
        if (length + step > room) break;
        length += step;
    }
    std::memcpy(buffer, gbk.data(), length);
    buffer[length] = '\0';
    return static_cast<unsigned>(length);
}

// The filter's NUL-separated pairs, ended by an empty text, in UTF-16.
std::wstring WideFilter(const char* filter) {
    std::wstring wide;
    if (!filter) return wide;
    for (const char* part = filter; *part; part += std::strlen(part) + 1) {
        wide += WideFromGbk(part);
        wide += L'\0';
    }
    wide += L'\0';
    return wide;
}

}  // namespace

bool Win32WindowSystem::RegisterClass(const WindowClass& windowClass) {
    if (!windowClass.className) return false;
    SetTimersForAdapters(&timers_);
    const std::wstring name = WideFromGbk(windowClass.className);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = windowClass.style;
    wc.lpfnWndProc = WindowAdapter;
    wc.hInstance = ProgramModule();
    if (windowClass.iconResource) {
        wc.hIcon = ::LoadIconW(ProgramModule(), MAKEINTRESOURCEW(windowClass.iconResource));
        wc.hIconSm = wc.hIcon;
    }
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = windowClass.background ? windowClass.background->brush : nullptr;
    wc.lpszClassName = name.c_str();
    const ATOM atom = ::RegisterClassExW(&wc);
    if (!atom) return false;
    RememberClassProcedure(atom, windowClass.procedure);
    return true;
}

Window Win32WindowSystem::CreateWindow(const char* className, const char* title, std::uint32_t style, int x, int y,
                                       int width, int height, Window parent) {
    const std::wstring wideClass = WideFromGbk(className);
    const std::wstring wideTitle = WideFromGbk(title);
    // A child is placed in 96-DPI pixels and made at its dialog's scale.
    const RECT logical{x, y, x + width, y + height};
    const RECT place = parent ? ScaleRect(logical, LayoutDpi(Hwnd(parent))) : logical;
    HWND made = ::CreateWindowExW(0, wideClass.c_str(), wideTitle.c_str(), style, place.left, place.top,
                                  place.right - place.left, place.bottom - place.top, Hwnd(parent), nullptr,
                                  ProgramModule(), nullptr);
    if (made && parent) RememberLogicalPlace(made, logical);
    return WindowOf(made);
}

Window Win32WindowSystem::CreateDialog(const DialogTemplate& dialogTemplate, Window owner, DialogProc procedure,
                                       LParam parameter) {
    // The dialog comes from the program file's resources, where the system
    // lays it out by the dialog font's own base units; it is then put where
    // the designed font would have put it.
    if (!dialogTemplate.resource) return nullptr;
    SetTimersForAdapters(&timers_);
    DialogStart start{procedure, parameter};
    HRSRC found = ::FindResourceW(ProgramModule(), MAKEINTRESOURCEW(dialogTemplate.resource), RT_DIALOG);
    const void* data = found ? ::LockResource(::LoadResource(ProgramModule(), found)) : nullptr;
    if (!data) return nullptr;
    const auto* first = static_cast<const std::uint8_t*>(data);
    const std::vector<std::uint8_t> bytes =
        WithFontOfItsCharset(std::vector<std::uint8_t>(first, first + ::SizeofResource(ProgramModule(), found)));
    HWND dialog = ::CreateDialogIndirectParamW(ProgramModule(), reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()),
                                               Hwnd(owner), DialogAdapter, reinterpret_cast<LPARAM>(&start));
    PlaceDialog(dialog, DesignedLayout(dialogTemplate));
    WithoutInputMethod(dialog, dialogTemplate);
    return WindowOf(dialog);
}

Window Win32WindowSystem::GetDlgItem(Window dialog, int controlId) {
    return dialog ? WindowOf(::GetDlgItem(Hwnd(dialog), controlId)) : nullptr;
}

bool Win32WindowSystem::ShowWindow(Window window, int command) {
    return window && ::ShowWindow(Hwnd(window), command) != 0;
}

LResult Win32WindowSystem::DefWindowProc(Window window, MessageId message, WParam wParam, LParam lParam) {
    return ::DefWindowProcW(Hwnd(window), message, wParam, lParam);
}

bool Win32WindowSystem::GetMessage(Message& message) {
    MSG msg{};
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got < 0) msg.message = sys::WM_QUIT;  // cannot happen without a window filter
    if (msg.message == sys::WM_TIMER) timers_.NoteRetrieved(msg.hwnd, msg.wParam);
    tRetrieved = msg;
    message = FromSystem(msg);
    return msg.message != sys::WM_QUIT;
}

bool Win32WindowSystem::GetMessageAfterSleep(Message& message, unsigned sleepMs) {
    // Sleeping first and then waiting for the message would wake the thread
    // twice per message. It waits for a message first and then sleeps only
    // what is left of the sleep: the same message, and one wake-up when the
    // message comes after the sleep would have ended. With the raised timer
    // resolution the sleep is a real millisecond.
    const auto start = std::chrono::steady_clock::now();
    MSG waiting{};
    if (!::PeekMessageW(&waiting, nullptr, 0, 0, PM_NOREMOVE))
        ::MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    const auto left = std::chrono::milliseconds(sleepMs) - (std::chrono::steady_clock::now() - start);
    if (left > std::chrono::steady_clock::duration::zero())
        ::Sleep(static_cast<DWORD>(std::chrono::ceil<std::chrono::milliseconds>(left).count()));
    return GetMessage(message);
}

bool Win32WindowSystem::WaitMessageTimeout(unsigned microseconds) {
    MSG waiting{};
    if (::PeekMessageW(&waiting, nullptr, 0, 0, PM_NOREMOVE)) return true;
    // Whole milliseconds, rounded up: the wait never ends before its time.
    const DWORD ms = static_cast<DWORD>((microseconds + 999u) / 1000u);
    return ::MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0;
}

void Win32WindowSystem::WaitForPostedMessage() {
    // The looks leave out WM_TIMER, which the timer thread posts like any
    // other message, and handle sent messages on the way. The event is
    // cleared before the looks, so a post after them still ends the wait.
    // Only the ticker waits so, while its ticks change nothing: the fine
    // timer resolution is not needed meanwhile.
    const CoarseTimerWhileWaiting coarse;
    HANDLE posted = posted_.OfThisThread();
    for (;;) {
        ::ResetEvent(posted);
        MSG waiting{};
        if (::PeekMessageW(&waiting, nullptr, 0, sys::WM_TIMER - 1, PM_NOREMOVE) ||
            ::PeekMessageW(&waiting, nullptr, sys::WM_TIMER + 1, 0xFFFFFFFFu, PM_NOREMOVE))
            return;
        ::MsgWaitForMultipleObjectsEx(1, &posted, INFINITE, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
    }
}

bool Win32WindowSystem::PeekMessage(Message& message) {
    MSG msg{};
    if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == sys::WM_TIMER) timers_.NoteRetrieved(msg.hwnd, msg.wParam);
    tRetrieved = msg;
    message = FromSystem(msg);
    return true;
}

void Win32WindowSystem::TranslateMessage(const Message& message) {
    const MSG msg = ToSystem(message);
    ::TranslateMessage(&msg);
}

LResult Win32WindowSystem::DispatchMessage(const Message& message) {
    const MSG msg = ToSystem(message);
    return ::DispatchMessageW(&msg);
}

void Win32WindowSystem::PostQuitMessage(int exitCode) { ::PostQuitMessage(exitCode); }

bool Win32WindowSystem::PostMessage(Window window, MessageId message, WParam wParam, LParam lParam) {
    if (!window || !::PostMessageW(Hwnd(window), message, wParam, lParam)) return false;
    posted_.Signal(Hwnd(window));
    return true;
}

bool Win32WindowSystem::SetTimer(Window window, std::uintptr_t timerId, unsigned periodMs) {
    return timers_.Set(Hwnd(window), timerId, periodMs);
}

bool Win32WindowSystem::KillTimer(Window window, std::uintptr_t timerId) {
    return timers_.Kill(Hwnd(window), timerId);
}

std::int16_t Win32WindowSystem::GetKeyState(int virtualKey) { return ::GetKeyState(virtualKey); }

bool Win32WindowSystem::TrackMouseEvent(Window window, unsigned flags, unsigned hoverTimeMs) {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = flags;
    track.hwndTrack = Hwnd(window);
    track.dwHoverTime = hoverTimeMs;
    return window && ::TrackMouseEvent(&track);
}

unsigned Win32WindowSystem::GetDlgItemText(Window dialog, int controlId, char* buffer, int bufferSize) {
    if (!buffer || bufferSize <= 0) return 0;
    buffer[0] = '\0';
    if (!dialog) return 0;
    // From another thread this is a message to the owner thread, which the
    // system serves only while that thread retrieves messages.
    std::vector<wchar_t> wide(static_cast<std::size_t>(bufferSize) + 1, L'\0');
    ::GetDlgItemTextW(Hwnd(dialog), controlId, wide.data(), static_cast<int>(wide.size()));
    return CopyGbk(GbkFromWide(wide.data()), buffer, bufferSize);
}

bool Win32WindowSystem::SetDlgItemText(Window dialog, int controlId, const char* text) {
    const std::wstring wide = WideFromGbk(text);
    return dialog && ::SetDlgItemTextW(Hwnd(dialog), controlId, wide.c_str());
}

bool Win32WindowSystem::SetScrollRange(Window scrollBar, int bar, int minimum, int maximum, bool redraw) {
    return scrollBar && ::SetScrollRange(Hwnd(scrollBar), bar, minimum, maximum, redraw);
}

int Win32WindowSystem::SetScrollPos(Window scrollBar, int bar, int position, bool redraw) {
    return scrollBar ? ::SetScrollPos(Hwnd(scrollBar), bar, position, redraw) : 0;
}

bool Win32WindowSystem::InvalidateRect(Window window, bool erase) {
    return window && ::InvalidateRect(Hwnd(window), nullptr, erase);
}

PaintContext Win32WindowSystem::BeginPaint(Window window) {
    if (!window) return nullptr;
    auto* context = new PaintContextObject();
    context->window = Hwnd(window);
    context->dc = ::BeginPaint(context->window, &context->paint);
    if (!context->dc) {
        delete context;
        return nullptr;
    }
    return context;
}

void Win32WindowSystem::EndPaint(Window window, PaintContext context) {
    if (!context) return;
    ::EndPaint(Hwnd(window), &context->paint);
    delete context;
}

int Win32WindowSystem::MessageBox(Window owner, const char* text, const char* caption, unsigned type) {
    const std::wstring wideText = WideFromGbk(text);
    const std::wstring wideCaption = WideFromGbk(caption);
    return ::MessageBoxW(Hwnd(owner), wideText.c_str(), wideCaption.c_str(), type);
}

bool Win32WindowSystem::GetOpenFileName(OpenFileRequest& request) {
    if (!request.file || request.maxFile == 0) return false;
    const std::wstring filter = WideFilter(request.filter);
    const std::wstring extension = WideFromGbk(request.defaultExtension);
    // Room for any path the dialog can give; it must fit the caller's
    // buffer as GBK afterwards.
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring initial = WideFromGbk(request.file);
    if (initial.size() < file.size()) std::copy(initial.begin(), initial.end(), file.begin());

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Hwnd(request.owner);
    ofn.lpstrFilter = request.filter ? filter.c_str() : nullptr;
    ofn.nFilterIndex = request.filterIndex;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrDefExt = request.defaultExtension ? extension.c_str() : nullptr;
    ofn.Flags = request.flags;
    // The dialog may move the working folder to the list's; it is put back
    // here by its UTF-16 name, which a folder name outside GBK survives.
    const DWORD folderLength = ::GetCurrentDirectoryW(0, nullptr);
    std::vector<wchar_t> folder(folderLength + 1, L'\0');
    ::GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
    const BOOL chosen = ::GetOpenFileNameW(&ofn);
    if (folderLength) ::SetCurrentDirectoryW(folder.data());
    if (!chosen) return false;

    // A path GBK cannot hold, or one too long for the buffer, could not be
    // opened by its GBK name: treated like a cancelled dialog.
    const std::string gbk = GbkFromWide(file.data());
    if (WideFromGbk(gbk.c_str()) != file.data() || gbk.size() + 1 > request.maxFile) return false;
    std::memcpy(request.file, gbk.c_str(), gbk.size() + 1);
    return true;
}

int Win32WindowSystem::ShowPopupMenu(Window owner, Window at, int x, int y, const PopupMenuItem* items, int count) {
    HMENU menu = ::CreatePopupMenu();
    if (!menu) return -1;
    for (int i = 0; i < count; ++i) {
        const PopupMenuItem& item = items[i];
        if (item.separatorBefore && i > 0) ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        // The system shows what follows a tab as the item's key, aligned at the right.
        std::wstring text = WideFromGbk(item.text);
        if (item.keyHint && *item.keyHint) text += L"\t" + WideFromGbk(item.keyHint);
        const UINT flags = MF_STRING | (item.checked ? MF_CHECKED : MF_UNCHECKED) | (item.greyed ? MF_GRAYED : MF_ENABLED);
        ::AppendMenuW(menu, flags, static_cast<UINT_PTR>(i + 1), text.c_str());
    }
    POINT place{x, y};
    if (at) ::ClientToScreen(Hwnd(at), &place);
    // The menu belongs to `owner`, a window of this thread; its loop runs
    // here, while the threads of other windows (the canvas) go on. With
    // TPM_RETURNCMD the choice comes back as the result, not as WM_COMMAND.
    const BOOL command = ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN,
                                          place.x, place.y, 0, Hwnd(owner), nullptr);
    ::DestroyMenu(menu);
    return command >= 1 && command <= count ? command - 1 : -1;
}

}  // namespace plat::win32

namespace plat::win32 {

HWND NativeWindow(Window window) { return Hwnd(window); }

}  // namespace plat::win32

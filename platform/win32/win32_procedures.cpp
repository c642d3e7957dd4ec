#include "platform/win32/win32_procedures.h"

#include <atomic>
#include <map>
#include <mutex>

#include "platform/win32/paint_context.h"
#include "platform/win32/win32_dpi.h"
#include "platform/win32/win32_scaled_images.h"
#include "platform/win32/win32_handles.h"

namespace plat::win32 {
namespace {

std::mutex gClassMutex;
std::map<ATOM, WindowProc> gClassProcedures;
std::atomic<TimerThread*> gTimers{nullptr};

WindowProc ProcedureOf(HWND window) {
    // Kept in the window once found; before that (the first messages of
    // CreateWindowExW) looked up by the class atom.
    auto procedure = reinterpret_cast<WindowProc>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (procedure) return procedure;
    const auto atom = static_cast<ATOM>(::GetClassLongPtrW(window, GCW_ATOM));
    {
        std::lock_guard lock(gClassMutex);
        auto it = gClassProcedures.find(atom);
        if (it == gClassProcedures.end()) return nullptr;
        procedure = it->second;
    }
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(procedure));
    return procedure;
}

void NoteTimer(HWND window, UINT message, WPARAM id) {
    if (message != sys::WM_TIMER) return;
    if (TimerThread* timers = gTimers.load()) timers->NoteRetrieved(window, id);
}

}  // namespace

void RememberClassProcedure(ATOM atom, WindowProc procedure) {
    std::lock_guard lock(gClassMutex);
    gClassProcedures[atom] = procedure;
}

void SetTimersForAdapters(TimerThread* timers) { gTimers.store(timers); }

LRESULT CALLBACK WindowAdapter(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowProc procedure = ProcedureOf(window);
    if (!procedure) return ::DefWindowProcW(window, message, wParam, lParam);
    NoteTimer(window, message, wParam);
    if (message == WM_NCDESTROY) ForgetWindow(window);
    return procedure(WindowOf(window), message, wParam, lParam);
}

INT_PTR CALLBACK DialogAdapter(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    DialogProc procedure;
    if (message == sys::WM_INITDIALOG) {
        const auto* start = reinterpret_cast<const DialogStart*>(lParam);
        procedure = start->procedure;
        lParam = start->parameter;
        ::SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(procedure));
        TakeOverDpiScaling(dialog);
    } else {
        procedure = reinterpret_cast<DialogProc>(::GetWindowLongPtrW(dialog, DWLP_USER));
    }
    if (!procedure) return FALSE;  // messages before WM_INITDIALOG (WM_SETFONT)
    NoteTimer(dialog, message, wParam);
    if (message == WM_NCDESTROY) ForgetWindow(dialog);
    // A change of scale is the backend's business: the dialog's procedure
    // works in the pixels of a 96-DPI display.
    if (const auto answer = AnswerDpiMessage(dialog, message, wParam, lParam)) {
        ::SetWindowLongPtrW(dialog, DWLP_MSGRESULT, *answer);
        return TRUE;
    }
    const std::intptr_t result = procedure(WindowOf(dialog), message, wParam, lParam);
    // The colour messages answer with a brush: the contract's brush object
    // stands for the system's brush handle, its picture at the dialog's scale.
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
        const auto* brush = reinterpret_cast<const BrushObject*>(result);
        return brush ? reinterpret_cast<INT_PTR>(BrushAtDpi(*brush, LayoutDpi(dialog))) : 0;
    }
    return result;
}

}  // namespace plat::win32

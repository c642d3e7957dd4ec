// The system calls window and dialog procedures as __stdcall functions with
// its own handle types; the contract's procedures are plain functions. These
// adapters stand between: one for every window class, one for every dialog.
#pragma once

#include "platform/win32/win32_timers.h"
#include "platform/win32/windows_fence.h"

namespace plat::win32 {

// The adapter a class is registered with; the class's own procedure is
// remembered under the class atom.
LRESULT CALLBACK WindowAdapter(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void RememberClassProcedure(ATOM atom, WindowProc procedure);

// What CreateDialogParamW carries to WM_INITDIALOG.
struct DialogStart {
    DialogProc procedure;
    LParam parameter;
};
INT_PTR CALLBACK DialogAdapter(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Timer messages handed to a procedure by a loop of the system's own (a
// message box, the open-file dialog) count as retrieved.
void SetTimersForAdapters(TimerThread* timers);

}  // namespace plat::win32

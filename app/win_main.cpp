#include "app/win_main.h"

#include "app/end_program.h"

#include "drill/create_child_window.h"
#include "app/key_table.h"
#include "app/main_dialog.h"
#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "drill/practice_ticker.h"
#include "drill/button_visual.h"
#include "ui/buttons.h"
#include "ui/renderer.h"

namespace kestran {

namespace {

struct ButtonPlace {
    Shared<plat::Window>* handle;
    plat::WindowProc procedure;
    const char* className;
    int x, y, width, height;
};

const ButtonPlace kButtons[] = {
    {&OpenButton, OpenButtonProc, "b1", 264, 145, 76, 38},
    {&OrderButton, OrderButtonProc, "b2", 165, 147, 105, 38},
    {&ModeButton, ModeButtonProc, "b3", 335, 147, 105, 38},
    {&ColourButton, ColourButtonProc, "b4", 123, 180, 50, 50},
    {&EffectsButton, EffectsButtonProc, "b5", 432, 180, 50, 50},
};

}  // namespace

void CreateMainDialog() {
    MainDialog = plat::CreateDialog(MainDialogTemplate(), nullptr, MainDialogProc, 0);
    plat::ShowWindow(MainDialog, plat::SW_SHOWNORMAL);
}

void RecordStartDirectory() {
    plat::GetCurrentDirectory(sizeof drill.startDirectory, drill.startDirectory);
    plat::SetCurrentDirectory(drill.startDirectory);
}

void CreateImageButtons() {
    for (const ButtonPlace& b : kButtons) {
        *b.handle = CreateChildWindow(nullptr, b.procedure, b.className, MainDialog, plat::WS_CHILD, b.x, b.y,
                                      b.width, b.height);
        plat::ShowWindow(*b.handle, plat::SW_SHOWNORMAL);
    }
}

bool RunLoopOnce(plat::Message& message, bool sleepFirst) {
    if (sleepFirst) plat::Sleep(1);
    for (;;) {
        if (!plat::GetMessage(message)) return false;
        // What a feature keeps (its F-keys, its own messages) goes no further.
        if (hooks::uiMessage(message)) continue;
        // Only key-downs go through the key table; an acknowledging Space
        // stops here and the loop waits again straight away.
        if (message.message == plat::WM_KEYDOWN && !HandleKeyDown(plat::LowWord(message.wParam))) continue;
        // Enter and Esc have done their work as key-downs; as characters a
        // single-line edit control only answers them with the system beep.
        if (message.message == plat::WM_CHAR && (message.wParam == plat::VK_RETURN || message.wParam == plat::VK_ESCAPE))
            continue;
        plat::TranslateMessage(message);
        plat::DispatchMessage(message);
        return true;
    }
}

int WinMain() {
    CreateMainDialog();
    plat::CreateThread(RenderThreadMain);
    plat::CreateThread(TickerThreadMain);
    RecordStartDirectory();
    CreateImageButtons();
    plat::Message message{};
    while (RunLoopOnce(message)) {
    }
    EndProgram(0);
}

}  // namespace kestran

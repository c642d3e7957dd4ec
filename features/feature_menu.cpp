#include "features/feature_menu.h"

#include <atomic>
#include <cstdio>
#include <vector>

#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "platform/platform.h"

namespace kestran::menu {
namespace {

// Where a menu opened from the keyboard appears: near the canvas's
// top-left corner, where the eye already is.
constexpr int kKeyboardMenuX = 24;
constexpr int kKeyboardMenuY = 24;

std::vector<Item>& Items() {
    static std::vector<Item> items;
    return items;
}

// The key-up of a key-down the menu kept is kept too: the system makes a
// context menu of the focused box from the context-menu key's release.
std::atomic<int> keptKeyDown{0};

bool Enabled(const Item& item) { return !item.enabled || item.enabled(); }

std::string KeyName(int functionKey) {
    if (functionKey < plat::VK_F1 || functionKey > plat::VK_F12) return {};
    char name[8];
    std::snprintf(name, sizeof name, "F%d", functionKey - plat::VK_F1 + 1);
    return name;
}

bool ActOnFunctionKey(int virtualKey, bool repeat) {
    for (const Item& item : Items()) {
        if (item.functionKey != virtualKey) continue;
        if (repeat) return true;
        if (item.take) item.take();
        if (Enabled(item) && item.act) item.act();
        return true;
    }
    return false;
}

bool HandleKeyDown(int virtualKey, bool repeat) {
    const bool shift = (plat::GetKeyState(plat::VK_SHIFT) & 0x8000) != 0;
    const bool ctrl = (plat::GetKeyState(plat::VK_CONTROL) & 0x8000) != 0;
    if (ctrl) return false;
    if (virtualKey == plat::VK_APPS || (shift && virtualKey == plat::VK_F1 + 9)) {
        if (!repeat) Open(kKeyboardMenuX, kKeyboardMenuY);
        return true;
    }
    if (shift || virtualKey < plat::VK_F1 || virtualKey > plat::VK_F12) return false;
    return ActOnFunctionKey(virtualKey, repeat);
}

bool OnUiMessage(const plat::Message& message) {
    switch (message.message) {
        case kOpenMenuMessage:
            if (message.window != MainDialog) return false;
            Open(static_cast<std::int16_t>(message.lParam & 0xFFFF),
                 static_cast<std::int16_t>((message.lParam >> 16) & 0xFFFF));
            return true;
        case plat::WM_SYSKEYDOWN:
            // Alt+F4 and the other Alt keys stay the system's; F10 alone
            // comes as a system key too.
            if ((message.lParam & plat::KEY_ALT_BIT) || (plat::GetKeyState(plat::VK_MENU) & 0x8000)) return false;
            [[fallthrough]];
        case plat::WM_KEYDOWN: {
            const int key = plat::LowWord(message.wParam);
            if (!HandleKeyDown(key, (message.lParam & plat::KEY_REPEAT_BIT) != 0)) return false;
            keptKeyDown = key;
            return true;
        }
        case plat::WM_KEYUP:
        case plat::WM_SYSKEYUP: {
            const int key = plat::LowWord(message.wParam);
            int kept = key;
            return key != 0 && keptKeyDown.compare_exchange_strong(kept, 0);
        }
        default:
            return false;
    }
}

// On RenderThread: the menu is UiThread's, so the click only asks for it.
void OnCanvasRightClick(int x, int y) {
    const plat::LParam point = static_cast<plat::LParam>(static_cast<std::uint16_t>(x)) |
                               (static_cast<plat::LParam>(static_cast<std::uint16_t>(y)) << 16);
    plat::PostMessage(MainDialog, kOpenMenuMessage, 0, point);
}

}  // namespace

void AddItem(const Item& item) { Items().push_back(item); }

void Install() {
    hooks::uiMessage.Add(OnUiMessage);
    hooks::canvasRightClick.Add(OnCanvasRightClick);
}

void Open(int x, int y) {
    const std::vector<Item>& items = Items();
    if (items.empty()) return;
    // The texts live until the menu has closed.
    std::vector<std::string> texts, keys;
    texts.reserve(items.size());
    keys.reserve(items.size());
    std::vector<plat::PopupMenuItem> shown;
    for (const Item& item : items)
        if (item.take) item.take();
    for (const Item& item : items) {
        texts.push_back(item.text ? item.text() : std::string());
        keys.push_back(KeyName(item.functionKey));
        shown.push_back(plat::PopupMenuItem{texts.back().c_str(), keys.back().c_str(),
                                            item.checked && item.checked(), !Enabled(item), item.separatorBefore});
    }
    const int chosen = plat::ShowPopupMenu(MainDialog, Canvas, x, y, shown.data(), static_cast<int>(shown.size()));
    if (chosen < 0 || chosen >= static_cast<int>(items.size())) return;
    // Asked again: what the item stood for may have changed while the menu was open.
    const Item& item = items[chosen];
    if (Enabled(item) && item.act) item.act();
}

void ClearItemsForTest() { Items().clear(); }

}  // namespace kestran::menu

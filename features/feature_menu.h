// The features' menu: a popup menu on UiThread, opened by a right-click on
// the canvas, by Shift+F10 and by the context-menu key, while the canvas
// keeps moving. Each item may have a function key (F1 to F12), shown beside
// its text, which does what choosing the item does.
//
// How a feature adds items: from its Install procedure (before the threads
// run), call AddItem once for each item, in the order they are to appear:
//
//     menu::AddItem({SpeakWordsText, plat::VK_F2, SpeakWordsChecked, nullptr, ToggleSpeakWords, true});
//
// text, checked and enabled are asked each time the menu opens (and, for
// enabled, each time the key is pressed); act runs on UiThread after the
// menu has closed, or when the key is pressed. An item that acts on what is
// on the canvas notes it in `take`, called first when the menu opens and
// when the key is pressed: the canvas moves on while the menu is open, and
// the item then still acts on, and names, what was there when it opened. A greyed item's key does
// nothing. The function keys are not in the drill's key table, so no key of
// the drill changes meaning; a key no item claims is handed on as before.
#pragma once

#include <string>

namespace kestran::menu {

struct Item {
    std::string (*text)() = nullptr;  // GBK
    int functionKey = 0;              // plat::VK_F1 .. plat::VK_F12, or 0
    bool (*checked)() = nullptr;      // null: no check mark
    bool (*enabled)() = nullptr;      // null: always enabled
    void (*act)() = nullptr;
    bool separatorBefore = false;     // a line above the item
    void (*take)() = nullptr;         // null: nothing to note
};

void AddItem(const Item& item);

// Sets the hooks that open the menu and dispatch its keys. Once, at start-up.
void Install();

// Shows the menu at (x, y) of the canvas and does what the chosen item
// does. UiThread only; the hooks call it.
void Open(int x, int y);

// The message the canvas's thread posts to MainDialog to have UiThread open
// the menu at the point it carries.
inline constexpr unsigned kOpenMenuMessage = 0x8000 + 0x4B;  // WM_APP + 'K'

// Forgets every item. Tests only.
void ClearItemsForTest();

}  // namespace kestran::menu

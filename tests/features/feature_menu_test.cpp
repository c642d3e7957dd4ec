// The features' menu on the display-less backend: what opens it, what it
// shows, and what its choices and function keys do.
#include <gtest/gtest.h>

#include <string>

#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "features/feature_menu.h"
#include "platform/headless/headless_backend.h"

namespace {

using namespace kestran;

std::string acted;
bool secondEnabled = true;

class FeatureMenuTest : public ::testing::Test {
protected:
    plat::HeadlessBackend backend;

    void SetUp() override {
        acted.clear();
        secondEnabled = true;
        MainDialog = plat::CreateDialog(plat::DialogTemplate{}, nullptr, nullptr, 0);
        menu::AddItem({[] { return std::string("one (3)"); }, plat::VK_F1 + 2, nullptr, nullptr, [] { acted += "1"; }});
        menu::AddItem({[] { return std::string("two"); }, plat::VK_F1 + 3, [] { return true; }, [] { return secondEnabled; },
                       [] { acted += "2"; }, true});
        menu::Install();
    }
    void TearDown() override {
        hooks::ClearAllForTest();
        menu::ClearItemsForTest();
        MainDialog = nullptr;
    }
    // The loop of UiThread retrieved this message: whether the menu kept it.
    bool Kept(plat::MessageId id, int key, plat::LParam lParam = 0) {
        return hooks::uiMessage(plat::Message{MainDialog, id, static_cast<plat::WParam>(key), lParam});
    }
};

TEST_F(FeatureMenuTest, FunctionKeysActAsTheirItemsAndOnlyTheyAreKept) {
    const int F3 = plat::VK_F1 + 2, F4 = plat::VK_F1 + 3, F5 = plat::VK_F1 + 4;
    struct Case {
        const char* what;
        plat::MessageId id;
        int key;
        plat::LParam lParam;
        bool enabled, kept;
        const char* acts;
    } const cases[] = {
        {"F3", plat::WM_KEYDOWN, F3, 0, true, true, "1"},
        {"F3 held", plat::WM_KEYDOWN, F3, plat::KEY_REPEAT_BIT, true, true, ""},
        {"F3 released", plat::WM_KEYUP, F3, 0, true, true, ""},
        {"F4", plat::WM_KEYDOWN, F4, 0, true, true, "2"},
        {"F4 greyed", plat::WM_KEYDOWN, F4, 0, false, true, ""},
        {"Alt+F4", plat::WM_SYSKEYDOWN, F4, plat::KEY_ALT_BIT, true, false, ""},
        {"F5, no item's", plat::WM_KEYDOWN, F5, 0, true, false, ""},
        {"F5 released", plat::WM_KEYUP, F5, 0, true, false, ""},
        {"Enter", plat::WM_KEYDOWN, plat::VK_RETURN, 0, true, false, ""},
    };
    for (const Case& c : cases) {
        acted.clear();
        secondEnabled = c.enabled;
        EXPECT_EQ(Kept(c.id, c.key, c.lParam), c.kept) << c.what;
        EXPECT_EQ(acted, c.acts) << c.what;
    }
    backend.windows.SetKeyDown(plat::VK_CONTROL, true);
    EXPECT_FALSE(Kept(plat::WM_KEYDOWN, F3)) << "Ctrl+F3 is not the item's";
    EXPECT_TRUE(backend.windows.PopupMenuCalls().empty());
}

TEST_F(FeatureMenuTest, TheMenuKeyShiftF10AndARightClickOpenTheMenuAsItIsNowAndTheChoiceActs) {
    const int choices[] = {0, -1, 1, 1};  // the last with the second item greyed
    int opened = 0;
    backend.windows.popupMenuAnswer = [&](const auto&) { return choices[opened++]; };
    EXPECT_TRUE(Kept(plat::WM_KEYDOWN, plat::VK_APPS));
    EXPECT_TRUE(Kept(plat::WM_KEYUP, plat::VK_APPS)) << "its release would open the answer box's own menu";
    EXPECT_FALSE(Kept(plat::WM_SYSKEYDOWN, plat::VK_F1 + 9)) << "F10 alone";
    backend.windows.SetKeyDown(plat::VK_SHIFT, true);
    EXPECT_TRUE(Kept(plat::WM_SYSKEYDOWN, plat::VK_F1 + 9)) << "Shift+F10";
    // The canvas's thread asks; UiThread's loop opens the menu where the click was.
    hooks::canvasRightClick(120, 30);
    plat::Message posted{};
    ASSERT_TRUE(plat::PeekMessage(posted));
    EXPECT_TRUE(hooks::uiMessage(posted));
    secondEnabled = false;
    menu::Open(7, 9);

    const auto calls = backend.windows.PopupMenuCalls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(acted, "12") << "dismissed and greyed do nothing";
    EXPECT_TRUE(calls[2].owner == MainDialog && calls[2].x == 120 && calls[2].y == 30);
    const auto& one = calls[2].items.at(0);
    const auto& two = calls[2].items.at(1);
    EXPECT_EQ(one.text + "|" + one.keyHint + "|" + two.text + "|" + two.keyHint, "one (3)|F3|two|F4");
    EXPECT_TRUE(!one.checked && two.checked && two.separatorBefore && !two.greyed && calls[3].items.at(1).greyed);
}

}  // namespace

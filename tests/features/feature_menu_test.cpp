// The features' menu on the display-less backend: what it shows, what the
// choice and the function keys do, and what opens it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "features/feature_menu.h"
#include "platform/headless/headless_backend.h"

namespace {

using namespace kestran;

std::vector<std::string> acted;
bool secondEnabled = true;

std::string FirstText() { return "\xb4\xf2\xbf\xaa (3)"; }  // 打开 (3)
std::string SecondText() { return "\xc9\xbe\xc8\xa5"; }     // 删去
bool Yes() { return true; }
bool SecondEnabled() { return secondEnabled; }
void ActFirst() { acted.push_back("first"); }
void ActSecond() { acted.push_back("second"); }

class FeatureMenuTest : public ::testing::Test {
protected:
    plat::HeadlessBackend backend;

    void SetUp() override {
        acted.clear();
        secondEnabled = true;
        MainDialog = plat::CreateDialog(plat::DialogTemplate{}, nullptr, nullptr, 0);
        menu::ClearItemsForTest();
        menu::AddItem({FirstText, plat::VK_F1 + 2, nullptr, nullptr, ActFirst, false});
        menu::AddItem({SecondText, plat::VK_F1 + 3, Yes, SecondEnabled, ActSecond, true});
        menu::Install();
    }
    void TearDown() override {
        hooks::uiMessage.ClearForTest();
        hooks::canvasRightClick.ClearForTest();
        menu::ClearItemsForTest();
        MainDialog = nullptr;
    }
    // The loop of UiThread retrieved `message`: whether the menu kept it.
    bool Kept(plat::MessageId id, int key, plat::LParam lParam = 0) {
        return hooks::uiMessage(plat::Message{MainDialog, id, static_cast<plat::WParam>(key), lParam});
    }
    std::size_t Menus() { return backend.windows.PopupMenuCalls().size(); }
};

TEST_F(FeatureMenuTest, TheMenuShowsItsItemsAsTheyAreNowAndDoesTheChosenOne) {
    for (const int choice : {0, 1, -1}) {
        backend.windows.popupMenuAnswer = [choice](const auto&) { return choice; };
        menu::Open(7, 9);
    }
    secondEnabled = false;
    backend.windows.popupMenuAnswer = [](const auto&) { return 1; };
    menu::Open(7, 9);

    const auto calls = backend.windows.PopupMenuCalls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].owner, MainDialog);
    EXPECT_EQ(calls[0].x, 7);
    ASSERT_EQ(calls[0].items.size(), 2u);
    EXPECT_EQ(calls[0].items[0].text, FirstText());
    EXPECT_EQ(calls[0].items[0].keyHint, "F3");
    EXPECT_FALSE(calls[0].items[0].checked);
    EXPECT_EQ(calls[0].items[1].keyHint, "F4");
    EXPECT_TRUE(calls[0].items[1].checked);
    EXPECT_TRUE(calls[0].items[1].separatorBefore);
    EXPECT_FALSE(calls[0].items[1].greyed);
    EXPECT_TRUE(calls[3].items[1].greyed);
    EXPECT_EQ(acted, (std::vector<std::string>{"first", "second"})) << "dismissed and greyed do nothing";
}

TEST_F(FeatureMenuTest, FunctionKeysActAsTheirItemsAndOnlyTheyAreKept) {
    struct Case {
        const char* what;
        plat::MessageId id;
        int key;
        plat::LParam lParam;
        bool kept;
        const char* acts;
    };
    const Case cases[] = {
        {"F3", plat::WM_KEYDOWN, plat::VK_F1 + 2, 0, true, "first"},
        {"F3 held", plat::WM_KEYDOWN, plat::VK_F1 + 2, plat::KEY_REPEAT_BIT, true, ""},
        {"F3 released", plat::WM_KEYUP, plat::VK_F1 + 2, 0, true, ""},
        {"F4", plat::WM_KEYDOWN, plat::VK_F1 + 3, 0, true, "second"},
        {"Alt+F4", plat::WM_SYSKEYDOWN, plat::VK_F1 + 3, plat::KEY_ALT_BIT, false, ""},
        {"F5, no item's", plat::WM_KEYDOWN, plat::VK_F1 + 4, 0, false, ""},
        {"F5 released", plat::WM_KEYUP, plat::VK_F1 + 4, 0, false, ""},
        {"Enter", plat::WM_KEYDOWN, plat::VK_RETURN, 0, false, ""},
    };
    for (const Case& c : cases) {
        acted.clear();
        EXPECT_EQ(Kept(c.id, c.key, c.lParam), c.kept) << c.what;
        EXPECT_EQ(acted.empty() ? "" : acted[0], std::string(c.acts)) << c.what;
    }
    secondEnabled = false;
    acted.clear();
    EXPECT_TRUE(Kept(plat::WM_KEYDOWN, plat::VK_F1 + 3)) << "a greyed item's key is kept";
    EXPECT_TRUE(acted.empty()) << "but does nothing";
    backend.windows.SetKeyDown(plat::VK_CONTROL, true);
    EXPECT_FALSE(Kept(plat::WM_KEYDOWN, plat::VK_F1 + 2)) << "Ctrl+F3 is not the item's";
    EXPECT_EQ(Menus(), 0u);
}

TEST_F(FeatureMenuTest, TheMenuKeyShiftF10AndARightClickOnTheCanvasOpenTheMenu) {
    EXPECT_TRUE(Kept(plat::WM_KEYDOWN, plat::VK_APPS));
    EXPECT_TRUE(Kept(plat::WM_KEYUP, plat::VK_APPS)) << "its release would open the answer box's own menu";
    EXPECT_FALSE(Kept(plat::WM_SYSKEYDOWN, plat::VK_F1 + 9)) << "F10 alone";
    backend.windows.SetKeyDown(plat::VK_SHIFT, true);
    EXPECT_TRUE(Kept(plat::WM_SYSKEYDOWN, plat::VK_F1 + 9)) << "Shift+F10";
    EXPECT_EQ(Menus(), 2u);

    // The canvas's thread asks; UiThread's loop opens it where the click was.
    hooks::canvasRightClick(120, 30);
    plat::Message posted{};
    ASSERT_TRUE(plat::PeekMessage(posted));
    EXPECT_TRUE(hooks::uiMessage(posted));
    ASSERT_EQ(Menus(), 3u);
    EXPECT_EQ(backend.windows.PopupMenuCalls()[2].x, 120);
    EXPECT_EQ(backend.windows.PopupMenuCalls()[2].y, 30);
}

}  // namespace

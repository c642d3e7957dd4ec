// 学习报告 through the drill's hooks: F12 writes the page in the data folder
// on the report's own thread and hands it to the desktop (here a stand-in
// xdg-open on PATH); when nothing opens it, or it cannot be written, the
// learner gets one box with the page's path.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "features/feature_menu.h"
#include "features/report/report_feature.h"
#include "features/report/report_writer.h"
#include "platform/gbk.h"
#include "platform/user_data.h"
#include "tests/drill/drill_test_support.h"
#include "tests/report/report_test_support.h"
#include "tests/support/temp_data_folder.h"

namespace {

using namespace kestran;

class ReportFeature : public drilltest::DrillTest {
protected:
    kestran::testing::TempDataFolder data;
    reporttest::TempFolder bin;
    std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";

    void SetUp() override {
        DrillTest::SetUp();
        menu::Install();
        report::Install();
    }
    void TearDown() override {
        report::WaitForReportForTest();
        ::setenv("PATH", savedPath.c_str(), 1);
        hooks::ClearAllForTest();
        menu::ClearItemsForTest();
        DrillTest::TearDown();
    }
    // A stand-in for the desktop's opener: notes what it was given and
    // exits with `status`; or none at all on PATH.
    void Desktop(int status, bool present = true) {
        const std::string script = bin.File("xdg-open");
        std::ofstream(script) << "#!/bin/sh\nprintf '%s' \"$1\" > '" << bin.File("opened") << "'\nexit " << status << "\n";
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        ::setenv("PATH", present ? (bin.path.string() + ":/usr/bin:/bin").c_str() : "/nonexistent", 1);
    }
    std::string Opened() {
        std::ifstream in(bin.File("opened"));
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // F12 as UiThread's loop hands it on, the report's thread waited for,
    // and the notice it posted handled as UiThread would.
    void PressF12() {
        EXPECT_TRUE(hooks::uiMessage(plat::Message{MainDialog, plat::WM_KEYDOWN, plat::VK_F12, 0}));
        report::WaitForReportForTest();
        hooks::uiMessage(plat::Message{MainDialog, report::kReportNoticeMessage, 0, 0});
    }
};

TEST_F(ReportFeature, F12WritesThePageAndHandsItToTheDesktop) {
    struct Case {
        int status;
        bool present;
        bool told;
    } const cases[] = {{0, true, false}, {3, true, true}, {4, true, true}, {0, false, true}};
    for (const Case& c : cases) {
        Fresh();
        const std::size_t boxesBefore = backend.windows.MessageBoxCalls().size();
        std::filesystem::remove(bin.File("opened"));
        Desktop(c.status, c.present);
        PressF12();
        const std::string page = plat::PathInFolder(plat::UserDataFolder(), report::kReportFileName);
        EXPECT_TRUE(std::filesystem::exists(page));
        if (c.present) {
            EXPECT_EQ(Opened(), page);
        }
        const auto boxes = backend.windows.MessageBoxCalls();
        ASSERT_EQ(boxes.size() - boxesBefore, c.told ? 1u : 0u) << c.status << " " << c.present;
        if (c.told) {
            EXPECT_NE(boxes.back().text.find(plat::GbkFromPath(page)), std::string::npos);
            EXPECT_EQ(boxes.back().caption, "\xD1\xA7\xCF\xB0\xB1\xA8\xB8\xE6");  // 学习报告
        }
    }
}

TEST_F(ReportFeature, TheMenuHasTheItemWithItsKey) {
    menu::Open(10, 10);
    const auto menus = backend.windows.PopupMenuCalls();
    ASSERT_EQ(menus.size(), 1u);
    ASSERT_FALSE(menus[0].items.empty());
    EXPECT_EQ(menus[0].items.back().text, "\xD1\xA7\xCF\xB0\xB1\xA8\xB8\xE6");
    EXPECT_EQ(menus[0].items.back().keyHint, "F12");
}

// A data folder that is a file takes no page: F12 tells the learner once
// and opens nothing; kestran --report gives the reason on standard error and
// exits 1. (The written page on standard output is e2e_report.py's.)
TEST_F(ReportFeature, APageThatCannotBeWrittenIsToldNotOpened) {
    Desktop(0);
    std::filesystem::create_directories(data.base);
    std::ofstream(data.folder) << "x";
    PressF12();
    const auto boxes = backend.windows.MessageBoxCalls();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("\xCE\xB4\xC4\xDC\xD0\xB4\xC8\xEB"), std::string::npos);  // 未能写入
    EXPECT_EQ(boxes[0].type, plat::MB_ICONWARNING);
    EXPECT_EQ(Opened(), "");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(report::ReportCommand(), 1);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("could not be written"), std::string::npos);
}

}  // namespace

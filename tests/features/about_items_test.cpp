// 关于 KESTRAN (F1): the message names the program, its licence and the word
// books' data with where it came from.
#include <gtest/gtest.h>

#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "features/feature_menu.h"
#include "features/features.h"
#include "platform/gbk.h"
#include "tests/drill/drill_test_support.h"
#include "tests/support/temp_data_folder.h"

namespace {

using namespace kestran;

class AboutTest : public drilltest::DrillTest {
protected:
    kestran::testing::TempDataFolder temp;
    void SetUp() override {
        DrillTest::SetUp();
        InstallFeatures();
    }
    void TearDown() override {
        hooks::ClearAllForTest();
        menu::ClearItemsForTest();
        DrillTest::TearDown();
    }
};

TEST_F(AboutTest, F1ShowsTheProgramItsLicenceAndTheWordBooksDataAndItsSource) {
    hooks::uiMessage(plat::Message{MainDialog, plat::WM_KEYDOWN, static_cast<plat::WParam>(plat::VK_F1), 0});
    const auto boxes = backend.windows.MessageBoxCalls();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(plat::GbkToUtf8(boxes[0].caption), "关于 KESTRAN");
    const std::string text = plat::GbkToUtf8(boxes[0].text);
    for (const char* line : {"MIT 许可证 (MIT License)", "词库: ECDICT 英汉词典 (Linwei, MIT 许可证)",
                             "https://github.com/skywind3000/ECDICT", "数据文件夹: "})
        EXPECT_NE(text.find(line), std::string::npos) << line << " missing from:\n" << text;
}

}  // namespace

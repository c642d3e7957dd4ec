// The learner's settings file: values survive a new start, lines that are
// no setting survive a rewrite.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "features/settings.h"
#include "platform/user_data.h"
#include "tests/support/temp_data_folder.h"

namespace {

using kestran::testing::TempDataFolder;
namespace settings = kestran::settings;

std::string SettingsFile(const TempDataFolder& temp) {
    std::ifstream in(temp.Folder() / u8"设置.txt", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(Settings, ValuesAreKeptAcrossAStartAndOtherLinesStay) {
    TempDataFolder temp;
    settings::ForgetForTest();
    EXPECT_EQ(settings::Get("speech.voice", "us"), "us") << "no file: the fallback";
    EXPECT_TRUE(settings::GetFlag("speech.speak", true));

    ASSERT_TRUE(plat::CreateUserDataFolder());
    {
        std::ofstream out(temp.Folder() / u8"设置.txt", std::ios::binary);
        out << "# KESTRAN\r\nspeech.voice=gb\r\nnot a setting\r\n";
    }
    settings::ForgetForTest();
    EXPECT_EQ(settings::Get("speech.voice"), "gb");
    ASSERT_TRUE(settings::Set("speech.voice", "us"));
    ASSERT_TRUE(settings::SetFlag("speech.speak", false));
    EXPECT_EQ(SettingsFile(temp), "# KESTRAN\nspeech.voice=us\nnot a setting\nspeech.speak=0\n");

    settings::ForgetForTest();  // as at the next start
    EXPECT_EQ(settings::Get("speech.voice"), "us");
    EXPECT_FALSE(settings::GetFlag("speech.speak", true));
    settings::ForgetForTest();
}

}  // namespace

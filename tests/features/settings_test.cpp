// The learner's settings file: values survive a new start, lines that are
// no setting survive a rewrite.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "features/settings.h"
#include "platform/user_data.h"
#include "tests/support/temp_data_folder.h"

namespace settings = kestran::settings;

TEST(Settings, ValuesAreKeptAcrossAStartAndOtherLinesStay) {
    kestran::testing::TempDataFolder temp;
    settings::ForgetForTest();
    EXPECT_EQ(settings::Get("speech.voice", "us"), "us") << "no file: the fallback";
    ASSERT_TRUE(plat::CreateUserDataFolder());
    std::ofstream(temp.folder / u8"设置.txt", std::ios::binary) << "# KESTRAN\r\nspeech.voice=gb\r\nnot a setting\r\n";
    settings::ForgetForTest();
    EXPECT_EQ(settings::Get("speech.voice"), "gb");
    ASSERT_TRUE(settings::Set("speech.voice", "us") && settings::SetFlag("speech.speak", false));
    std::ifstream in(temp.folder / u8"设置.txt", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "# KESTRAN\nspeech.voice=us\nnot a setting\nspeech.speak=0\n");
    settings::ForgetForTest();  // as at the next start
    EXPECT_EQ(settings::Get("speech.voice"), "us");
    EXPECT_FALSE(settings::GetFlag("speech.speak", true));
    settings::ForgetForTest();
}

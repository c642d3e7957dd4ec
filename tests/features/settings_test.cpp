// The learner's settings file: values survive a new start, lines that are
// no setting survive a rewrite, and a change never undoes what another
// window or an editor wrote, nor what a failed read did not see (the file
// store's own rules are data_file_test's).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "features/settings.h"
#include "platform/user_data.h"
#include "tests/support/temp_data_folder.h"

namespace settings = kestran::settings;
namespace fs = std::filesystem;

namespace {

std::string FileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteText(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

}  // namespace

TEST(Settings, ValuesAreKeptAcrossAStartAndOtherLinesStay) {
    kestran::testing::TempDataFolder temp;
    const fs::path file = temp.folder / u8"设置.txt";
    settings::ForgetForTest();
    EXPECT_EQ(settings::Get("speech.voice", "us"), "us") << "no file: the fallback";
    ASSERT_TRUE(plat::CreateUserDataFolder());
    WriteText(file, "# KESTRAN\r\nspeech.voice=gb\r\nnot a setting\r\n");
    settings::ForgetForTest();
    EXPECT_EQ(settings::Get("speech.voice"), "gb");
    settings::Set("speech.voice", "us");
    settings::SetFlag("speech.speak", false);
    EXPECT_EQ(settings::Get("speech.voice"), "us") << "known at once, before the write";
    settings::WaitForWrites();
    EXPECT_EQ(FileText(file), "# KESTRAN\nspeech.voice=us\nnot a setting\nspeech.speak=0\n");
    settings::ForgetForTest();  // as at the next start
    EXPECT_EQ(settings::Get("speech.voice"), "us");
    EXPECT_FALSE(settings::GetFlag("speech.speak", true));
    settings::ForgetForTest();
}

TEST(Settings, AChangeWritesIntoTheFileAsItIsThenNotAsItWasRead) {
    struct Case {
        const char* what;
        bool readFails;        // the file could not be read at the start
        std::string changed;   // what another window or an editor wrote afterwards
        std::string expected;  // the file after one toggle
    };
    const Case cases[] = {
        {"another window set b, an editor took a out and added a comment", false, "# mine\nb=2\n",
         "# mine\nb=2\nspeech.speak=1\n"},
        {"the first read failed: the toggle erases nothing", true, "a=1\nb=2\n", "a=1\nb=2\nspeech.speak=1\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        kestran::testing::TempDataFolder temp;
        const fs::path file = temp.folder / u8"设置.txt";
        ASSERT_TRUE(plat::CreateUserDataFolder());
        settings::ForgetForTest();
        if (c.readFails)
            fs::create_directory(file);  // read as a file, a folder fails
        else
            WriteText(file, "a=1\n");
        EXPECT_EQ(settings::Get("a", "none"), c.readFails ? "none" : "1");
        if (c.readFails) fs::remove(file);
        WriteText(file, c.changed);
        settings::SetFlag("speech.speak", true);
        settings::WaitForWrites();
        EXPECT_EQ(FileText(file), c.expected);
        EXPECT_EQ(settings::Get("b"), "2") << "what the write found is known from then on";
        settings::ForgetForTest();
    }
}

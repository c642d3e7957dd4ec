// 显示音标 and the phonetic table it reads: the toggle in the menu and the
// settings file, the note the canvas is given, and the table's lookups.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "features/feature_menu.h"
#include "features/phonetics/phonetic_table.h"
#include "features/phonetics/phonetics_feature.h"
#include "features/phonetics/shared_table.h"
#include "features/settings.h"
#include "platform/headless/headless_backend.h"
#include "tests/support/temp_data_folder.h"
#ifdef _WIN32
#undef CreateDialog
#endif

namespace {

using namespace kestran;

TEST(PhoneticTable, FindsWordsAsTheTableWritesThem) {
    const auto table = phonetics::PhoneticTable::Parse(
        "zebra\t\xCB\x88zebr\xC9\x99\r\n"  // ˈzebrə
        "apple\t\xCB\x88\xC3\xA6pl\n"      // ˈæpl
        "apple\tsecond\n"
        "no tab here\n"
        "\tno word\n"
        "empty\t\n"
        "Monday\t\xCB\x88m\xCA\x8Cndei");
    struct Case {
        const char* word;
        const char* ipa;
    };
    const Case cases[] = {
        {"apple", "\xCB\x88\xC3\xA6pl"},  // the first of two lines wins
        {"Apple", "\xCB\x88\xC3\xA6pl"},  // a capital the table does not have
        {"zebra", "\xCB\x88zebr\xC9\x99"},  // the \r is not part of it
        {"Monday", "\xCB\x88m\xCA\x8Cndei"},
        {"monday", ""},  // lower case does not find a capital
        {"empty", ""},
        {"no tab here", ""},
        {"", ""},
        {"appl", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(table.Find(c.word), c.ipa) << c.word;
    EXPECT_EQ(table.Size(), 3u);
}

WordRecord Entry(const char* word) {
    WordRecord record{};
    std::snprintf(record.word, sizeof record.word, "%s", word);
    return record;
}

class ShowPhoneticsTest : public ::testing::Test {
protected:
    plat::HeadlessBackend backend;
    kestran::testing::TempDataFolder data;
    std::filesystem::path table = data.base / "phonetics.tsv";

    void SetUp() override {
        std::filesystem::create_directories(data.base);
        std::ofstream(table, std::ios::binary) << "car\tk\xC9\x91\xCB\x90\n";  // kɑː
        phonetics::UseTableFileForTest(table);
        settings::ForgetForTest();
        MainDialog = plat::CreateDialog(plat::DialogTemplate{}, nullptr, nullptr, 0);
    }
    void TearDown() override {
        hooks::practiceWordNote.ClearForTest();
        menu::ClearItemsForTest();
        MainDialog = nullptr;
        phonetics::UseTableFileForTest({});
        settings::ForgetForTest();
    }
    // The note the canvas gets for the word, once the table is read.
    std::string Note(const char* word) {
        phonetics::Table();
        std::string_view note;
        return hooks::practiceWordNote(Entry(word), note) ? std::string(note) : "-";
    }
    // Opens the menu: whether 显示音标 is checked there, and chooses it if told.
    bool Item(bool choose = false) {
        bool checked = false;
        backend.windows.popupMenuAnswer = [&](const auto& call) {
            for (std::size_t i = 0; i < call.items.size(); ++i)
                if (call.items[i].text == "\xCF\xD4\xCA\xBE\xD2\xF4\xB1\xEA") {  // 显示音标
                    checked = call.items[i].checked;
                    return choose ? static_cast<int>(i) : -1;
                }
            return -1;
        };
        menu::Open(0, 0);
        return checked;
    }
};

TEST_F(ShowPhoneticsTest, OffUntilTurnedOnThenKeptInTheSettings) {
    phonetics::Install();
    EXPECT_FALSE(Item());
    EXPECT_EQ(Note("car"), "-") << "off: the canvas gets no note";
    for (const bool on : {true, false}) {
        SCOPED_TRACE(on ? "turned on" : "turned off");
        Item(true);
        EXPECT_EQ(Note("car"), on ? "k\xC9\x91\xCB\x90" : "-");
        EXPECT_EQ(Note("bus"), "-") << "a word the table lacks has no note";
        phonetics::FlushSettingsForTest();
        TearDown();  // the next start finds it as it was left
        SetUp();
        phonetics::Install();
        EXPECT_EQ(Item(), on);
        EXPECT_EQ(Note("car"), on ? "k\xC9\x91\xCB\x90" : "-");
    }
}

}  // namespace

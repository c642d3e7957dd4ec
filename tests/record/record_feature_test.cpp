// The record in the drill, on the display-less backend: a test of a word
// book's chapter and a practice pass go into the record with their times;
// a damaged record is kept aside; 今日复习 drills the day's due entries.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "drill/feature_hooks.h"
#include "drill/practice_ticker.h"
#include "drill/test_check.h"
#include "drill/toggles.h"
#include "features/feature_menu.h"
#include "features/features.h"
#include "features/record/learner_clock.h"
#include "features/record/record_feature.h"
#include "features/settings.h"
#include "features/wordbook/book_format.h"
#include "features/wordbook/learner_presence.h"
#include "features/wordbook/wordbook.h"
#include "features/wordbooks/wordbooks.h"
#include "platform/gbk.h"
#include "platform/user_data.h"
#include "tests/drill/drill_test_support.h"
#include "tests/record/record_rows.h"
#include "tests/support/temp_data_folder.h"
#include "drill/load_word_list.h"

namespace {

using namespace kestran;

constexpr std::int64_t kDayMs = 86400000;
const std::string kBook = "\xE5\x9B\x9B\xE7\xBA\xA7";  // 四级, UTF-8

class RecordFeatureTest : public drilltest::DrillTest {
protected:
    kestran::testing::TempDataFolder temp;
    std::string list;

    void SetUp() override {
        DrillTest::SetUp();
        record::SetClockOffsetForTest(0);
        InstallFeatures();
        wordbook::ForgetLearnerPresenceForTest();
        std::vector<wordbook::BookEntry> entries;
        for (int i = 0; i < 10; ++i) entries.push_back({"word" + std::to_string(i), "\xB4\xCA" + std::to_string(i)});
        // A chapter of a word book: <book>/<book>-001.txt
        const auto base = temp.base.u8string();
        const std::string folder = std::string(base.begin(), base.end()) + "/lists/" + kBook;
        std::filesystem::create_directories(std::u8string(folder.begin(), folder.end()));
        const std::string dataPath = folder + "/" + kBook + "-001.txt";
        plat::WriteFileAtomically(dataPath, wordbook::BookText(entries));
        list = plat::ListPathFromDataPath(dataPath);  // as the loader holds paths
        // The folder is a library of one book, so the record knows the book and chapter.
        std::ofstream(std::filesystem::path(temp.base / "lists" / "books.tsv"), std::ios::binary)
            << kBook << "\t" << kBook << "\t1\t30\n";
        wordbooks::UseLibraryForTest(temp.base / "lists");
    }
    void TearDown() override {
        record::WaitForRecordWrites();
        record::CloseForTest();
        record::SetClockOffsetForTest(0);
        wordbook::WaitForBookWrites();
        hooks::ClearAllForTest();
        menu::ClearItemsForTest();
        ReleaseWordListForTest();
        DrillTest::TearDown();
    }
    const WordRecord& Asked() { return drill.WordTable.load()[drill.testIndex]; }
    // A test in file order over the loaded list: the renderer shows each
    // meaning, the learner types; `wrong` are the positions answered wrong.
    void RunTest(const std::vector<int>& wrong) {
        const int count = drill.wordCount;
        for (int i = 0; i < count; ++i) {
            hooks::testEntryShown(Asked());
            const bool miss = std::find(wrong.begin(), wrong.end(), i) != wrong.end();
            Type(miss ? "nope" : Asked().word);
            CheckTestAnswer();
        }
        ASSERT_EQ(drill.testFinished, 1);
        drilltest::AcknowledgeResultAndReset();
    }
    // The F11 item as the menu shows it once the record has counted: the
    // first opening has the count made off UiThread, the second shows it.
    std::string ReviewItem() {
        std::string item;
        for (int opening = 0; opening < 2; ++opening) {
            record::WaitForRecordWrites();
            menu::Open(10, 10);
            const auto calls = backend.windows.PopupMenuCalls();  // a copy: kept while its items are read
            item = "none";
            for (const auto& shown : calls.back().items)
                if (shown.keyHint == "F11") item = plat::GbkToUtf8(shown.text) + (shown.greyed ? "-" : "");
        }
        return item;
    }
    // Chooses the daily cap's item; what it said.
    std::string ChooseDailyCap() {
        record::WaitForRecordWrites();
        std::string said = "none";
        backend.windows.popupMenuAnswer = [&](const auto& call) {
            for (std::size_t i = 0; i < call.items.size(); ++i)
                if (plat::GbkToUtf8(call.items[i].text).rfind("每日复习上限", 0) == 0) {
                    said = plat::GbkToUtf8(call.items[i].text);
                    return static_cast<int>(i);
                }
            return -1;
        };
        menu::Open(10, 10);
        backend.windows.popupMenuAnswer = nullptr;
        return said;
    }
};

// Practice: word0 typed; word1 crosses while the learner types (a miss);
// word2 crosses a minute after the last key (no miss, by the wrong-word
// book's rule). A test's answers through the real window are e2e_record.py's.
TEST_F(RecordFeatureTest, PracticeHitsAndMissesAreRecordedWithTheirListAndTime) {
    ASSERT_TRUE(LoadWordListFrom(list.c_str()));
    drill.effectsOff = 1;
    hooks::practiceWordShown(drill.WordTable.load()[drill.practiceIndex]);
    Type("word0");
    process.now += kTickPeriodMs;
    PracticeTick();
    Type("");
    hooks::uiMessage(plat::Message{MainDialog, plat::WM_KEYDOWN, static_cast<plat::WParam>('X'), 0});
    drill.scrollX = 500;
    process.now += kTickPeriodMs;
    PracticeTick();
    process.now += 61000;
    drill.scrollX = 500;
    PracticeTick();
    // Each the entry's first judgement: a review, a hit Good while the learner has no median.
    EXPECT_EQ(RecordRows("SELECT kind, word, right, ms IS NOT NULL, review, grade, book, chapter, "
                         "list LIKE '%-001.txt' FROM events ORDER BY id"),
              (std::vector<std::string>{"hit|word0|1|1|1|3|" + kBook + "|1|1", "miss|word1|0|0|1|1|" + kBook + "|1|1"}));
}

// A damaged record file: the next judgement moves it aside, starts a new
// record with that judgement in it, and the learner is told where the old
// one went; the drill goes on, and the test's result goes in with its book
// and chapter.
TEST_F(RecordFeatureTest, ADamagedRecordIsKeptAsideAndTheLearnerIsTold) {
    const std::string damaged(30000, '\x5A');
    plat::CreateUserDataFolder();
    plat::WriteFileAtomically(record::RecordPath(), damaged);
    ASSERT_TRUE(LoadWordListFrom(list.c_str()));
    drill.effectsOff = 1;
    ToggleMode();
    RunTest({0});
    record::WaitForRecordWrites();
    hooks::uiMessage(plat::Message{MainDialog, record::kNoticeMessage, 0, 0});
    const auto boxes = backend.windows.MessageBoxCalls();
    ASSERT_EQ(boxes.size(), 1u);
    // "学习记录已损坏，已另存为：<the copy in the data folder>\n新的学习记录已开始。"
    const std::string told = plat::GbkToUtf8(boxes[0].text), opening = "学习记录已损坏，已另存为：";
    ASSERT_EQ(told.rfind(opening, 0), 0u) << told;
    const std::string copy = told.substr(opening.size(), told.find('\n') - opening.size());
    const std::string named = plat::PathInFolder(plat::UserDataFolder(), "\xD1\xA7\xCF\xB0\xBC\xC7\xC2\xBC-\xCB\xF0\xBB\xB5-");
    EXPECT_EQ(copy.rfind(named, 0), 0u) << copy;  // 学习记录-损坏-…
    std::string kept;
    EXPECT_EQ(plat::ReadWholeFile(copy, kept), plat::ReadResult::Read);
    EXPECT_EQ(kept, damaged);
    EXPECT_EQ(RecordRows("SELECT count(*) FROM events")[0], "10") << "the new record has every answer";
    EXPECT_EQ(RecordRows("SELECT score, right, wrong, book, chapter FROM tests"),
              (std::vector<std::string>{"90|9|1|" + kBook + "|1"}));
}

// A day later 今日复习 offers the entries due, at most the daily cap, most
// overdue first, as a test even from practice; the day's cap spent, none.
// Which entries fall due when is the simulation's; the real window's run of
// 今日复习 is e2e_record.py's.
TEST_F(RecordFeatureTest, TodaysReviewDrillsTheDueEntriesUpToTheDailyCap) {
    settings::ForgetForTest();
    settings::Set("record.dailyCap", "2");
    settings::WaitForWrites();
    ASSERT_TRUE(LoadWordListFrom(list.c_str()));
    drill.effectsOff = 1;
    ToggleMode();
    RunTest({9, 3, 6});
    EXPECT_EQ(ReviewItem(), "今日复习 (0)-") << "nothing is due the day it was drilled";

    record::SetClockOffsetForTest(kDayMs);  // tomorrow
    EXPECT_EQ(ReviewItem(), "今日复习 (2)") << "three due, the cap two";
    ToggleMode();  // back to practice: 今日复习 starts a test all the same
    hooks::uiMessage(plat::Message{MainDialog, plat::WM_KEYDOWN, plat::VK_F1 + 10, 0});
    record::WaitForRecordWrites();
    hooks::uiMessage(plat::Message{MainDialog, record::kReviewReadyMessage, 0, 0});
    EXPECT_EQ(drill.testMode, 1);
    ASSERT_EQ(drill.wordCount, 2);
    EXPECT_EQ(std::string(drill.WordTable.load()[0].word) + drill.WordTable.load()[1].word, "word3word6");
    RunTest({});
    EXPECT_EQ(ReviewItem(), "今日复习 (0)-") << "the day's two reviews are done; one stays due";
    record::SetClockOffsetForTest(2 * kDayMs);
    EXPECT_EQ(ReviewItem(), "今日复习 (1)");
    settings::ForgetForTest();
}

// The menu offers the caps in turn; the one chosen counts at once and is
// kept in 设置.txt.
TEST_F(RecordFeatureTest, TheDailyCapIsChosenInTheMenuAndKept) {
    settings::ForgetForTest();
    settings::Set("record.dailyCap", "2");
    ASSERT_TRUE(LoadWordListFrom(list.c_str()));
    drill.effectsOff = 1;
    ToggleMode();
    RunTest({9, 3, 6});
    record::SetClockOffsetForTest(kDayMs);
    EXPECT_EQ(ReviewItem(), "今日复习 (2)");
    for (const char* said : {"每日复习上限 2 (改为 20)", "每日复习上限 20 (改为 50)", "每日复习上限 50 (改为 100)",
                             "每日复习上限 100 (改为 200)", "每日复习上限 200 (改为 500)", "每日复习上限 500 (改为 20)"})
        EXPECT_EQ(ChooseDailyCap(), said);
    EXPECT_EQ(ReviewItem(), "今日复习 (3)") << "the cap of 20 leaves all three due";
    settings::WaitForWrites();
    settings::ForgetForTest();
    EXPECT_EQ(settings::Get("record.dailyCap"), "20");
    settings::ForgetForTest();
}

}  // namespace

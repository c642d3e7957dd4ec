// The 词库 chooser driven through the drill on the display-less backend: F7
// opens a book's chapter through the ordinary loader, a finished test or
// practice pass makes the chapter 学过 in the data folder, 继续学习 goes to
// the next chapter, and all of it is there again after a restart.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "drill/practice_ticker.h"
#include "drill/test_check.h"
#include "drill/toggles.h"
#include "features/data_failure.h"
#include "features/feature_menu.h"
#include "features/features.h"
#include "features/wordbook/wordbook.h"
#include "features/wordbooks/wordbooks.h"
#include "platform/gbk.h"
#include "platform/user_data.h"
#include "tests/drill/drill_test_support.h"
#include "tests/support/temp_data_folder.h"
#include "drill/load_word_list.h"
#include "features/record/record_feature.h"

namespace {

using namespace kestran;
namespace fs = std::filesystem;

fs::path U8(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

class WordbooksTest : public drilltest::DrillTest {
protected:
    kestran::testing::TempDataFolder temp;
    fs::path library = temp.base / "lists" / U8("词库");
    std::vector<std::string> answers;  // the texts to choose, step by step ("" dismisses)

    void SetUp() override {
        DrillTest::SetUp();
        InstallFeatures();
        data_failure::ResetForTest();
        // 四级 of two chapters of three words, and 高考 of 45 chapters of which
        // only the first is there.
        fs::create_directories(library / U8("四级"));
        fs::create_directories(library / U8("高考"));
        std::ofstream(library / "books.tsv") << "四级\t四级\t2\t6\n高考\t高考\t45\t1350\n";
        Write(library / U8("四级") / U8("四级-001.txt"), "able 能\r\nback 后面\r\ncare 关心\r\n");
        Write(library / U8("四级") / U8("四级-002.txt"), "dare 敢\r\neach 每个\r\nfact 事实\r\n");
        Write(library / U8("高考") / U8("高考-001.txt"), "go 去\r\n");
        wordbooks::UseLibraryForTest(library);
        backend.windows.popupMenuAnswer = [this](const plat::HeadlessWindowSystem::PopupMenuCall& call) {
            if (answers.empty()) return -1;
            const std::string wanted = answers.front();
            answers.erase(answers.begin());
            for (std::size_t i = 0; i < call.items.size(); ++i)
                if (!wanted.empty() && plat::GbkToUtf8(call.items[i].text).rfind(wanted, 0) == 0) return static_cast<int>(i);
            return -1;
        };
        drill.effectsOff = 1;
    }
    void TearDown() override {
        wordbooks::WaitForProgressWrites();
        wordbook::WaitForBookWrites();  // the words that crossed untyped went into the wrong-word book
        hooks::ClearAllForTest();
        menu::ClearItemsForTest();
        ReleaseWordListForTest();
        DrillTest::TearDown();
    }
    static void Write(const fs::path& file, const std::string& utf8) { std::ofstream(file, std::ios::binary) << plat::Utf8ToGbk(utf8); }

    // F7, then the menus answered in turn.
    void Choose(std::vector<std::string> steps) {
        answers = std::move(steps);
        hooks::uiMessage(plat::Message{MainDialog, plat::WM_KEYDOWN, static_cast<plat::WParam>(plat::VK_F1 + 6), 0});
        EXPECT_TRUE(answers.empty()) << "a step was not asked";
    }
    std::vector<std::string> Words() {
        std::vector<std::string> words;
        for (int i = 0; i < drill.wordCount; ++i) words.push_back(drill.WordTable.load()[i].word);
        return words;
    }
    // The last menu shown, as "text|hint" lines.
    std::vector<std::string> LastMenu() {
        std::vector<std::string> shown;
        const auto calls = backend.windows.PopupMenuCalls();
        if (calls.empty()) return shown;
        for (const auto& item : calls.back().items)
            shown.push_back(plat::GbkToUtf8(item.text) + "|" + plat::GbkToUtf8(item.keyHint));
        return shown;
    }
    std::string ProgressFile() {
        wordbooks::WaitForProgressWrites();
        std::string bytes;
        plat::ReadWholeFile(plat::PathInFolder(plat::UserDataFolder(), "\xB4\xCA\xBF\xE2\xBD\xF8\xB6\xC8.txt"), bytes);
        return bytes;
    }
    void RunTest(int wrong) {
        ToggleMode();
        for (int i = 0; i < drill.wordCount; ++i) {
            Type(i == wrong ? "nope" : drill.WordTable.load()[drill.testIndex].word);
            CheckTestAnswer();
        }
        ASSERT_EQ(drill.testFinished, 1);
        drilltest::AcknowledgeResultAndReset();
        ToggleMode();
    }
};

TEST_F(WordbooksTest, ABooksChapterOpensLearnedChaptersAreKeptAndContinueOpensTheNextOne) {
    Choose({"四级", "第1章"});
    EXPECT_EQ(Words(), (std::vector<std::string>{"able", "back", "care"})) << "四级 chapter 1 is the list";
    EXPECT_EQ(LastMenu(), (std::vector<std::string>{"继续学习：第1章|", "第1章|未学", "第2章|未学"}));

    RunTest(1);  // 2 of 3 right
    EXPECT_EQ(ProgressFile(), "last\t四级\n四级\t1\t66\n");
    RunTest(-1);
    EXPECT_EQ(ProgressFile(), "last\t四级\n四级\t1\t100\n");
    RunTest(0);
    EXPECT_EQ(ProgressFile(), "last\t四级\n四级\t1\t100\n") << "the best score stays";

    Choose({"继续学习"});
    EXPECT_EQ(LastMenu()[0], "继续学习：四级 第2章|");
    EXPECT_EQ(Words(), (std::vector<std::string>{"dare", "each", "fact"}));
    // A practice pass in random order, every word crossing untyped: learned
    // once its last word has gone, not before.
    ToggleOrder();
    int ticks = 0;
    for (; drill.practiceFinished == 0 && ticks < 10; ++ticks) {
        EXPECT_EQ(ProgressFile(), "last\t四级\n四级\t1\t100\n");
        drill.scrollX = 500;
        process.now += kTickPeriodMs;
        PracticeTick();
    }
    EXPECT_EQ(ticks, 3) << "one crossing a word";
    EXPECT_EQ(ProgressFile(), "last\t四级\n四级\t1\t100\n四级\t2\t-\n");

    // Esc at the chapters leaves the list as it was.
    Choose({"四级", ""});
    EXPECT_EQ(LastMenu(), (std::vector<std::string>{"第1章|学过 · 最高 100分", "第2章|学过"}));
    EXPECT_EQ(Words()[0], "dare");

    // A restart: what the chooser shows comes from the file; the study
    // record adds what it knows of the book drilled (chapter 1's three words
    // tested).
    wordbooks::UseLibraryForTest(library);
    record::WaitForRecordWrites();
    Choose({""});
    EXPECT_EQ(LastMenu(), (std::vector<std::string>{"四级    新 3 · 学习中 3 · 待复习 0 · 已掌握 0|6词 · 学过 2/2章",
                                                    "高考|1350词 · 学过 0/45章"}));
}

TEST_F(WordbooksTest, ALongBookGoesByGroupsAMissingChapterIsToldAndTheListStays) {
    Choose({"四级", "第2章"});
    Choose({"高考", "第41-45章", "第45章"});
    EXPECT_EQ(LastMenu().size(), 5u);
    const auto boxes = backend.windows.MessageBoxCalls();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(plat::GbkToUtf8(boxes[0].text).find("高考-045.txt"), std::string::npos) << plat::GbkToUtf8(boxes[0].text);
    EXPECT_EQ(drill.listLoaded, 0) << "like an open that failed";
    Choose({"高考", "第1-20章", "第1章"});
    EXPECT_EQ(Words(), std::vector<std::string>{"go"});
    EXPECT_EQ(ProgressFile(), "last\t高考\n") << "no chapter is learned by opening it";
}

TEST_F(WordbooksTest, AProgressFileThatCannotBeWrittenIsToldAndTheChapterStaysLearnedForThisRun) {
    // A folder where the file should be: it can be neither read nor replaced.
    fs::create_directories(temp.folder / U8("词库进度.txt") / "x");
    Choose({"四级", "第1章"});
    RunTest(-1);
    wordbooks::WaitForProgressWrites();
    EXPECT_TRUE(data_failure::ToldForTest()) << "the store tells the learner";
    EXPECT_EQ(wordbooks::KnownProgress().Of("四级", 1), (wordbooks::ChapterState{true, 100}));
    Choose({""});
    EXPECT_EQ(LastMenu()[0], "继续学习：四级 第2章|");
}

TEST_F(WordbooksTest, ABookUnderAFolderNameGbkCannotHoldOpensFromTheProgramsFolder) {
    // The program beside its books in a folder named in Hangul: on Windows
    // the loader's GBK path cannot name it, the path from the working folder
    // can, and keeps the chapter known as the chapter (a short form would not).
    const fs::path program = temp.base / U8("\xED\x95\x9C\xEA\xB8\x80");  // 한글
    fs::create_directories(program / "lists");
    fs::rename(library, program / "lists" / U8("词库"));
    const fs::path before = fs::current_path();
    fs::current_path(program);
    wordbooks::UseLibraryForTest(fs::absolute(fs::path("lists") / U8("词库")));
    Choose({"四级", "第2章"});
    EXPECT_EQ(Words(), (std::vector<std::string>{"dare", "each", "fact"}));
    RunTest(-1);
    fs::current_path(before);
    EXPECT_EQ(ProgressFile(), "last\t四级\n四级\t2\t100\n");
    EXPECT_TRUE(backend.windows.MessageBoxCalls().empty());
}

}  // namespace

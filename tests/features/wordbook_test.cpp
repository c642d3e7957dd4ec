// The wrong-word book driven through the drill on the display-less backend:
// misses go into the book once, the round's misses and the book come back
// as lists, and right answers in a test of the book take entries out.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <filesystem>
#include <string>
#include <vector>

#include "app/key_table.h"
#include "app/main_dialog.h"
#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "drill/practice_ticker.h"
#include "drill/test_check.h"
#include "drill/toggles.h"
#include "features/background_queue.h"
#include "features/feature_menu.h"
#include "features/data_failure.h"
#include "features/features.h"
#include "features/wordbook/book_store.h"
#include "features/wordbook/list_handover.h"
#include "features/wordbook/learner_presence.h"
#include "features/record/record_feature.h"
#include "features/wordbook/wordbook.h"
#include "features/wordbooks/wordbooks.h"
#include "platform/gbk.h"
#include "platform/user_data.h"
#include "tests/drill/drill_test_support.h"
#include "tests/support/temp_data_folder.h"
#include "drill/load_word_list.h"

namespace {

using namespace kestran;
using wordbook::BookEntry;

// Entry i of the test list: "w<i>" meaning 词<i>.
BookEntry Entry(int i) { return BookEntry{"w" + std::to_string(i), "\xB4\xCA" + std::to_string(i)}; }

class WordbookTest : public drilltest::DrillTest {
protected:
    kestran::testing::TempDataFolder temp;
    std::string list;

    void SetUp() override {
        DrillTest::SetUp();
        InstallFeatures();
        wordbooks::WaitForProgressWrites();  // the word books are looked up once
        std::vector<BookEntry> entries;
        for (int i = 0; i < 10; ++i) entries.push_back(Entry(i));
        plat::CreateUserDataFolder();
        const std::string path = plat::PathInFolder(plat::UserDataFolder(), "list.txt");
        plat::WriteFileAtomically(path, wordbook::BookText(entries));
        list = plat::ListPathFromDataPath(path);  // as the loader takes it
    }
    void TearDown() override {
        // Every feature's thread is done with this data folder before the
        // next test names another.
        wordbook::WaitForBookWrites();
        wordbooks::WaitForProgressWrites();
        record::WaitForRecordWrites();
        hooks::ClearAllForTest();
        menu::ClearItemsForTest();
        wordbook::ForgetLearnerPresenceForTest();
        ReleaseWordListForTest();
        DrillTest::TearDown();
    }
    std::vector<BookEntry> Book() {
        wordbook::WaitForBookWrites();
        return *wordbook::BookStore(plat::UserDataFolder(), "\xB4\xED\xCC\xE2\xB1\xBE").Read();
    }
    std::vector<BookEntry> ListLoaded() {
        std::vector<BookEntry> entries;
        for (int i = 0; i < drill.wordCount; ++i) entries.push_back(wordbook::EntryOf(drill.WordTable.load()[i]));
        return entries;
    }
    // What the book's thread handed over to UiThread (a list to drill, a
    // failure to tell) is taken, as UiThread's loop would.
    void TakeHandedOver() {
        wordbook::WaitForBookWrites();
        plat::Message message;
        while (plat::PeekMessage(message)) hooks::uiMessage(message);
    }
    void Press(int key) {
        hooks::uiMessage(plat::Message{MainDialog, plat::WM_KEYDOWN, static_cast<plat::WParam>(key), 0});
        TakeHandedOver();
    }
    // A sequential test over the loaded list, `wrong` the positions answered
    // wrong, up to its result, then one more answer while the result shows
    // (not counted), then the acknowledgement.
    void RunTest(const std::vector<int>& wrong) {
        for (int i = 0; i <= drill.wordCount; ++i) {
            const bool miss = std::find(wrong.begin(), wrong.end(), i) != wrong.end();
            Type(miss || i == drill.wordCount ? "nope" : drill.WordTable.load()[drill.testIndex].word);
            CheckTestAnswer();
        }
        ASSERT_EQ(drill.testFinished, 1);
        drilltest::AcknowledgeResultAndReset();
    }
    // The learner presses a key while the word crosses (see learner_presence.h).
    void CrossUntyped() {
        Press('X');
        drill.scrollX = 500;
        process.now += kTickPeriodMs;
        PracticeTick();
    }
    // The book's items, first in the menu as it opens now, in UTF-8: "text
    // key", "-" after a greyed one; and the program's two, last.
    std::string Menu() {
        menu::Open(10, 10);
        std::string shown;
        const auto items = backend.windows.PopupMenuCalls().back().items;
        for (std::size_t i : {0u, 1u, 2u, unsigned(items.size() - 2), unsigned(items.size() - 1)})
            shown += plat::GbkToUtf8(items[i].text) + " " + items[i].keyHint + (items[i].greyed ? "-" : "") + "; ";
        return shown;
    }
};

TEST_F(WordbookTest, MissesEnterTheBookOnceComeBackAsListsAndRightAnswersInATestOfTheBookTakeThemOut) {
    EXPECT_EQ(Menu(), "练习本轮错词 (0) F4-; 打开错题本 (0) F3; 从错题本删去此词 F8-; 打开数据文件夹 F9; 关于 KESTRAN F1; ");
    ASSERT_TRUE(LoadWordListFrom(list.c_str()));
    drill.effectsOff = 1;  // no hit animation holds a result back
    ToggleMode();          // a test in file order
    RunTest({2, 5, 7});
    const std::vector<BookEntry> three{Entry(2), Entry(5), Entry(7)};
    EXPECT_EQ(Book(), three) << "a test with 3 wrong answers adds those 3";
    EXPECT_EQ(Menu(), "练习本轮错词 (3) F4; 打开错题本 (3) F3; 从错题本删去此词 F8-; 打开数据文件夹 F9; 关于 KESTRAN F1; ");

    Press(plat::VK_F1 + 3);  // F4: 练习本轮错词
    EXPECT_EQ(ListLoaded(), three) << "the round's misses are the list";
    EXPECT_EQ(wordbook::RoundMisses(), three) << "until the new round's first miss or answer";

    // Practice on the whole list: two words cross untyped, one is typed,
    // and one already in the book crosses.
    ASSERT_TRUE(LoadWordListFrom(list.c_str()));
    ToggleMode();
    CrossUntyped();  // w0
    CrossUntyped();  // w1
    Type("w2");
    process.now += kTickPeriodMs;
    PracticeTick();  // w2 typed
    Type("");
    CrossUntyped();  // w3
    EXPECT_EQ(wordbook::RoundMisses(), (std::vector<BookEntry>{Entry(0), Entry(1), Entry(3)}));
    CrossUntyped();  // w4
    EXPECT_EQ(Book(), (std::vector<BookEntry>{Entry(2), Entry(5), Entry(7), Entry(0), Entry(1), Entry(3), Entry(4)}));
    CrossUntyped();  // w5, in the book already
    EXPECT_EQ(Book().size(), 7u) << "a miss already in the book is not added again";

    Press(plat::VK_F1 + 2);  // F3: 打开错题本
    EXPECT_EQ(ListLoaded().size(), 7u);
    // 从错题本删去此词 takes the word on the canvas out; the list stays as loaded.
    ASSERT_EQ(drill.practiceIndex, 0);
    Press(plat::VK_F1 + 7);  // F8: the first entry, w2
    EXPECT_EQ(Book().size(), 6u);
    EXPECT_EQ(Book()[0], Entry(5));
    ToggleMode();  // a test of the book, every answer right but one
    RunTest({3});
    EXPECT_EQ(Book(), (std::vector<BookEntry>{Entry(0)})) << "right answers left the book when the result was shown";

    // In random order too, the word that crosses is a miss.
    ASSERT_TRUE(LoadWordListFrom(list.c_str()));
    ToggleMode();
    ToggleOrder();
    CrossUntyped();  // the first word is drawn, then it crosses
    const BookEntry drawn = wordbook::EntryOf(drill.WordTable.load()[drill.practiceIndex]);
    CrossUntyped();
    EXPECT_EQ(wordbook::RoundMisses().back(), drawn);
    drill.practiceFinished = 1;  // the pass ends; Space begins the next round,
    HandleKeyDown(plat::VK_SPACE);
    CrossUntyped();
    EXPECT_EQ(wordbook::RoundMisses().size(), 1u) << "which takes over with its first miss";
}

TEST_F(WordbookTest, ABookThatCannotBeWrittenIsToldOnceWithTheFolderAndSoIsAListTheLoaderCannotName) {
    data_failure::ResetForTest();
    // The book's name taken by a folder: no miss can be written.
    std::filesystem::create_directories(temp.folder / u8"错题本.txt");
    ASSERT_TRUE(LoadWordListFrom(list.c_str()));
    const auto told = [this] {
        TakeHandedOver();
        int boxes = 0;
        for (const auto& box : backend.windows.MessageBoxCalls())
            boxes += box.text.find(plat::GbkFromPath(plat::UserDataFolder())) != std::string::npos;
        return boxes;
    };
    EXPECT_EQ(told(), 0) << "nothing is told while nothing failed";
    CrossUntyped();
    CrossUntyped();
    EXPECT_EQ(told(), 1) << "the first failure is told, with the folder";
    CrossUntyped();
    EXPECT_EQ(told(), 1) << "and only the first";
    EXPECT_EQ(wordbook::RoundMisses().size(), 3u) << "the round still has its misses";

    // A list of the data folder the loader has no path for (on Windows, a
    // folder GBK cannot name on a volume without short names).
    data_failure::ResetForTest();
    wordbook::HandOverList("", wordbook::BookText({Entry(0)}), true);
    EXPECT_TRUE(data_failure::ToldForTest());
    data_failure::ResetForTest();
}

// Whether a crossing is a miss, at the moment the word leaves: `steps` are
// what happened before, in order, each after `ms` more milliseconds.
struct Step {
    enum What { Key, Shown, Inactive, Active } what;
    std::uint32_t ms;
};
struct PresenceCase {
    const char* name;
    std::vector<Step> steps;
    std::uint32_t crossingAfterMs;
    bool miss;
};

TEST_F(WordbookTest, APracticeCrossingIsAMissOnlyWhileTheLearnerDrills) {
    using S = Step;
    const PresenceCase cases[] = {
        {"nothing ever typed", {{S::Shown, 0}, {S::Shown, 5000}}, 5000, false},
        {"a key during this word", {{S::Shown, 0}, {S::Shown, 5000}, {S::Key, 1000}}, 4000, true},
        {"a key during the word before", {{S::Shown, 0}, {S::Key, 1000}, {S::Shown, 4000}}, 5000, true},
        {"the last key two words back", {{S::Key, 0}, {S::Shown, 100}, {S::Shown, 5000}, {S::Shown, 5000}}, 5000, false},
        {"a key, then the window left", {{S::Shown, 0}, {S::Key, 100}, {S::Inactive, 100}}, 4000, false},
        {"back in the window", {{S::Shown, 0}, {S::Inactive, 100}, {S::Active, 100}, {S::Key, 100}}, 4000, true},
        {"a slow word after a key, a minute on", {{S::Shown, 0}, {S::Key, 100}, {S::Shown, 100}}, 60'000, false},
        {"no renderer tells of words: a recent key", {{S::Key, 0}}, 59'000, true},
    };
    ASSERT_TRUE(LoadWordListFrom(list.c_str()));
    for (const PresenceCase& c : cases) {
        wordbook::ForgetLearnerPresenceForTest();
        for (const Step& step : c.steps) {
            process.now += step.ms;
            switch (step.what) {
                case S::Key: Press('A'); break;
                case S::Shown: hooks::practiceWordShown(drill.WordTable.load()[0]); break;
                case S::Inactive: MainDialogProc(MainDialog, plat::WM_ACTIVATE, plat::WA_INACTIVE, 0); break;
                case S::Active: MainDialogProc(MainDialog, plat::WM_ACTIVATE, 1, 0); break;
            }
        }
        process.now += c.crossingAfterMs;
        EXPECT_EQ(wordbook::LearnerWasDrilling(), c.miss) << c.name;
    }
}

// The word the menu names and takes out is the one on the canvas when the
// menu opened, though the canvas moved on while it was open.
TEST_F(WordbookTest, RemovingAWordActsOnTheWordShownWhenTheMenuOpened) {
    plat::WriteFileAtomically(wordbook::BookPath(), wordbook::BookText({Entry(0), Entry(1), Entry(2)}));
    Press(plat::VK_F1 + 2);  // F3: the book as it is now, edited since the start
    ASSERT_EQ(drill.wordCount, 3);
    ASSERT_EQ(drill.practiceIndex, 0);
    std::string named;
    backend.windows.popupMenuAnswer = [&](const plat::HeadlessWindowSystem::PopupMenuCall& call) {
        named = plat::GbkToUtf8(call.items[2].text);
        CrossUntyped();  // w0 leaves, w1 comes while the menu is open
        return 2;
    };
    menu::Open(10, 10);
    EXPECT_EQ(named, "从错题本删去 \"w0\"");
    ASSERT_EQ(drill.practiceIndex, 1);
    EXPECT_EQ(Book(), (std::vector<BookEntry>{Entry(1), Entry(2)}));
    Press(plat::VK_F1 + 7);  // F8 takes the word on the canvas now
    EXPECT_EQ(Book(), (std::vector<BookEntry>{Entry(2)}));
}

// Whether the program could replace the file now: nothing holds it open
// (Linux: no descriptor of the process names it; Windows: a replace works,
// which a file held open without delete sharing refuses).
bool Replaceable(const std::string& path) {
#ifdef _WIN32
    std::string bytes;
    return plat::ReadWholeFile(path, bytes) == plat::ReadResult::Read && plat::WriteFileAtomically(path, bytes);
#else
    const std::filesystem::path file = std::filesystem::canonical(path);
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code gone;
        if (std::filesystem::read_symlink(fd.path(), gone) == file) return false;
    }
    return true;
#endif
}

// The book and the round's list, however they became the list, are never
// held open, so the book's changes can still replace them; a list of the
// learner's own stays open as it always did. (F3 and a cancel in the open
// dialog after it: the Windows end-to-end driver rewrites the book then.)
TEST_F(WordbookTest, TheProgramsOwnListsAreNeverHeldOpen) {
    ASSERT_TRUE(LoadWordListFrom(list.c_str()));
    CrossUntyped();  // a miss: the round has one, and the book
    Press(plat::VK_F1 + 3);  // F4 writes the round's list (and hands it over as bytes)
    ASSERT_EQ(drill.wordCount, 1);
    const std::string round = plat::PathInFolder(plat::UserDataFolder(), "\xB1\xBE\xC2\xD6\xB4\xED\xB4\xCA.txt");

    const std::string own = (temp.base / "own.txt").string();
    plat::WriteFileAtomically(own, wordbook::BookText({Entry(5)}));
    std::string chosen;
    backend.windows.openFileAnswer = [&](plat::OpenFileRequest& request) {
        std::strcpy(request.file, chosen.c_str());
        return true;
    };
    PrepareListOpenRequest(true);
    for (const std::string& file : {wordbook::BookPath(), round, own}) {
        chosen = plat::ListPathFromDataPath(file);  // as the dialog names it
        LoadWordList();
        ASSERT_EQ(drill.wordCount, 1) << file;
#ifdef _WIN32
        if (file == own) continue;  // the learner's own list is held as the loader always held it
#endif
        EXPECT_EQ(Replaceable(file), file != own) << file << " chosen in the dialog";
    }
}

// 关于 KESTRAN (F1): the program, its licence and the word books' data with its source.
TEST_F(WordbookTest, F1ShowsTheProgramItsLicenceAndTheWordBooksDataAndItsSource) {
    Press(plat::VK_F1);
    const auto boxes = backend.windows.MessageBoxCalls();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(plat::GbkToUtf8(boxes[0].caption), "关于 KESTRAN");
    const std::string text = plat::GbkToUtf8(boxes[0].text);
    for (const char* line : {"MIT 许可证 (MIT License)", "词库: ECDICT 英汉词典 (Linwei, MIT 许可证)",
                             "https://github.com/skywind3000/ECDICT", "数据文件夹: "})
        EXPECT_NE(text.find(line), std::string::npos) << line << " missing from:\n" << text;
}

// A writer stuck on the disk (a share that went away) holds the end of the
// program up only for the time given, and is still waited for in full when
// it comes back.
TEST(BackgroundQueue, AWriterStuckOnTheDiskHoldsTheEndOnlyForTheTimeGiven) {
    static std::promise<void> diskBack;  // outlives the queue's thread
    auto* queue = new kestran::BackgroundQueue();  // its thread is never joined
    std::atomic<bool> written{false};
    queue->Post([&] {
        diskBack.get_future().wait();
        written = true;
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(queue->FlushWithin(std::chrono::milliseconds(50)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(written);
    diskBack.set_value();
    EXPECT_TRUE(queue->FlushWithin(std::chrono::seconds(30)));
    EXPECT_TRUE(written);
}

}  // namespace

// The open button's action through the headless backend: the open-file
// dialog is answered by a hook, the file is a real file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "drill/button_visual.h"
#include "drill/drill_state.h"
#include "drill/load_word_list.h"
#include "platform/headless/headless_backend.h"
#include "tests/wordlist/edge_cases.h"
#include "tests/wordlist/temp_dir.h"
#include "wordlist/word_table_blocks.h"

namespace kestran {
namespace {

using testing::kApple;
using testing::kBanana;
using testing::kCherry;
using testing::Records;
using testing::TempDir;

std::intptr_t QuietDialog(plat::Window, plat::MessageId, plat::WParam, plat::LParam) { return 0; }
plat::LResult QuietWindow(plat::Window w, plat::MessageId m, plat::WParam wp, plat::LParam lp) {
    return plat::DefWindowProc(w, m, wp, lp);
}

Records TableRecords() {
    Records records;
    const WordRecord* table = drill.WordTable;
    for (std::int32_t i = 0; i < drill.wordCount; ++i) records.emplace_back(table[i].word, table[i].meaning);
    return records;
}

class LoadWordListTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetDrillStateForTest();
        startDirectory_ = std::filesystem::current_path();
        std::strncpy(drill.startDirectory, startDirectory_.string().c_str(), kStartDirectorySize - 1);

        static const plat::DialogControl kAnswerBox[] = {{kAnswerBoxId, plat::ControlKind::Edit, 0, 0, 10, 10, 0, 0}};
        plat::DialogTemplate dialog;
        dialog.controls = kAnswerBox;
        dialog.controlCount = 1;
        MainDialog = plat::CreateDialog(dialog, nullptr, QuietDialog, 0);
        plat::RegisterClass(plat::WindowClass{0, QuietWindow, 0, nullptr, "b1"});
        OpenButton = plat::CreateWindow("b1", "", plat::WS_CHILD, 0, 0, 10, 10, MainDialog);
        openButtonVisual.visualState = kLookNormal;
        PrepareListOpenRequest(true);
    }

    void TearDown() override {
        ReleaseWordListForTest();
        SetWordListHeapLimitForTest(SIZE_MAX);
        std::filesystem::current_path(startDirectory_);
        ResetDrillStateForTest();
        OpenButton = nullptr;
    }

    // The dialog answers OK with `path`, after moving the working directory
    // as the Windows dialog may.
    void Choose(const std::string& path) {
        backend_.windows.openFileAnswer = [path, dir = dir_.path()](plat::OpenFileRequest& request) {
            std::filesystem::current_path(dir);
            std::strncpy(request.file, path.c_str(), request.maxFile - 1);
            request.file[request.maxFile - 1] = '\0';
            return true;
        };
    }
    void Cancel() {
        backend_.windows.openFileAnswer = [dir = dir_.path()](plat::OpenFileRequest&) {
            std::filesystem::current_path(dir);
            return false;
        };
    }
    void Load(const std::string& path) {
        Choose(path);
        LoadWordList();
    }

    plat::HeadlessBackend backend_;
    TempDir dir_;
    std::filesystem::path startDirectory_;
};

TEST_F(LoadWordListTest, WorkedExampleLoadsAndResetsTheClickFields) {
    const std::string path = dir_.Write("fruit.txt", testing::kWorkedExample);
    drill.paused = 1;
    drill.randomProgress = 7;
    drill.randomProgressText.Set("7");
    drill.resultPending = 1;
    drill.practiceFinished = 1;
    drill.testIndex = 2;
    drill.scrollX = 300;
    backend_.windows.SetControlText(MainDialog, kAnswerBoxId, "typed");
    bool dialogSawListUnloaded = false;
    backend_.windows.openFileAnswer = [&](plat::OpenFileRequest& request) {
        dialogSawListUnloaded = drill.listLoaded == 0 && drill.wordCount == 0 && drill.paused == 0 &&
                                openButtonVisual.visualState == kLookPressed &&
                                backend_.windows.InvalidateCount(OpenButton) == 1 &&
                                backend_.windows.ControlText(MainDialog, kAnswerBoxId).empty();
        EXPECT_EQ(request.file, drill.listPath);
        EXPECT_EQ(request.maxFile, kListPathSize);
        EXPECT_EQ(std::memcmp(request.filter, ".txt\0*.txt;\0\0", 13), 0);
        EXPECT_STREQ(request.defaultExtension, "txt");
        EXPECT_EQ(request.owner, MainDialog);
        std::strcpy(request.file, path.c_str());
        return true;
    };

    LoadWordList();

    EXPECT_TRUE(dialogSawListUnloaded) << "resets, pressed look and cleared answer box come before the dialog";
    EXPECT_EQ(TableRecords(), (Records{{"apple", kApple}, {"banana", kBanana}, {"cherry", kCherry}}));
    EXPECT_EQ(drill.wordCount, 3);
    EXPECT_EQ(drill.wordCountF, 3.0f);
    EXPECT_EQ(drill.listLoaded, 1);
    EXPECT_EQ(drill.scrollX, -20);
    EXPECT_EQ(drill.testIndex, 0);
    EXPECT_EQ(drill.randomProgress, 1);
    EXPECT_EQ(drill.randomProgressText.Str(), "1");
    EXPECT_EQ(drill.resultPending, 0);
    EXPECT_EQ(drill.practiceFinished, 0);
    EXPECT_NE(drill.listFile, nullptr) << "the list file stays open until the next click";
    EXPECT_EQ(std::filesystem::current_path(), startDirectory_);
}

TEST_F(LoadWordListTest, EdgeCasesLoadThroughTheButton) {
    int n = 0;
    for (const auto& c : testing::EdgeCases()) {
        Load(dir_.Write("case" + std::to_string(n++) + ".txt", c.file));
        EXPECT_EQ(drill.listLoaded, 1) << c.name;
        EXPECT_EQ(drill.wordCount, static_cast<std::int32_t>(c.records.size())) << c.name;
        EXPECT_EQ(TableRecords(), c.records) << c.name;
    }
}

TEST_F(LoadWordListTest, CancelAfterALoadReadsTheSameFileAgain) {
    const std::string path = dir_.Write("list.txt", "apple " + kApple + "\n");
    Load(path);
    ASSERT_EQ(drill.wordCount, 1);
    dir_.Write("list.txt", "banana " + kBanana + "\ncherry " + kCherry + "\n");
    drill.practiceIndex = 5;
    drill.paused = 1;
    Cancel();
    LoadWordList();
    EXPECT_EQ(TableRecords(), (Records{{"banana", kBanana}, {"cherry", kCherry}}));
    EXPECT_EQ(drill.listLoaded, 1);
    EXPECT_EQ(drill.practiceIndex, 0) << "closing the previous file resets the practice position";
    EXPECT_EQ(drill.paused, 0);
    EXPECT_STREQ(drill.listPath, path.c_str());
    EXPECT_EQ(std::filesystem::current_path(), startDirectory_);
}

TEST_F(LoadWordListTest, FailedOpensLeaveNoListAndRestoreTheDirectory) {
    struct Failure {
        const char* name;
        std::string path;
    };
    const Failure failures[] = {
        {"missing file", (dir_.path() / "missing.txt").string()},
        {"a directory", dir_.path().string()},
        {"a path with no NUL in the buffer", std::string(kListPathSize + 5, 'a')},
    };
    const std::string good = dir_.Write("good.txt", testing::kWorkedExample);
    for (const auto& f : failures) {
        Load(good);
        ASSERT_EQ(drill.listLoaded, 1);
        const WordRecord* previous = drill.WordTable;
        drill.testIndex = 2;
        backend_.windows.openFileAnswer = [&](plat::OpenFileRequest& request) {
            std::filesystem::current_path(dir_.path());
            std::memcpy(request.file, f.path.c_str(), std::min<std::size_t>(f.path.size() + 1, request.maxFile));
            return true;
        };
        LoadWordList();
        EXPECT_EQ(drill.listFile, nullptr) << f.name;
        EXPECT_EQ(drill.listLoaded, 0) << f.name;
        EXPECT_EQ(drill.wordCount, 0) << f.name;
        EXPECT_EQ(drill.testIndex, 0) << f.name;
        EXPECT_EQ(drill.WordTable, previous) << f.name << ": the previous blocks stay";
        EXPECT_EQ(std::filesystem::current_path(), startDirectory_) << f.name;
    }
}

TEST_F(LoadWordListTest, CancelBeforeAnyListLeavesNoList) {
    Cancel();
    LoadWordList();
    EXPECT_EQ(drill.listLoaded, 0);
    EXPECT_EQ(drill.listFile, nullptr);
    EXPECT_EQ(drill.WordTable, nullptr);
    EXPECT_EQ(std::filesystem::current_path(), startDirectory_);
}

TEST_F(LoadWordListTest, BlocksThatCannotBeObtainedKeepThePreviousList) {
    Load(dir_.Write("a.txt", testing::kWorkedExample));
    const WordRecord* previous = drill.WordTable;
    const std::int32_t* previousIndices = drill.drawnIndices;
    SetWordListHeapLimitForTest(1000);
    Load(dir_.Write("b.txt", std::string("banana ") + kBanana + "\n" + std::string(20, '\n') + "x" + kApple));
    EXPECT_EQ(drill.listLoaded, 0);
    EXPECT_EQ(drill.wordCount, 0);
    EXPECT_EQ(drill.wordCountF, 0.0f);
    EXPECT_EQ(drill.WordTable, previous);
    EXPECT_EQ(drill.drawnIndices, previousIndices);
    EXPECT_STREQ(previous[2].word, "cherry") << "the previous table is untouched";
    EXPECT_EQ(std::filesystem::current_path(), startDirectory_);

    SetWordListHeapLimitForTest(SIZE_MAX);
    Load(dir_.Write("b.txt", std::string("banana ") + kBanana + "\n"));
    EXPECT_EQ(drill.listLoaded, 1) << "the next click loads as usual";
    EXPECT_EQ(TableRecords(), (Records{{"banana", kBanana}}));
}

TEST_F(LoadWordListTest, ThePreviousTableOutlivesTheLoadThatReplacesIt) {
    Load(dir_.Write("a.txt", testing::kWorkedExample));
    const WordRecord* first = drill.WordTable;
    // A reader that checked listLoaded just before the click may still be
    // drawing from the first table while the second one is read.
    Load(dir_.Write("b.txt", "banana " + kBanana + "\n"));
    EXPECT_NE(drill.WordTable, first);
    EXPECT_STREQ(first[0].word, "apple");
    EXPECT_STREQ(first[2].meaning, kCherry.c_str());
}

TEST_F(LoadWordListTest, PassCountersFromALongerListStayWithinTheNewSlots) {
    struct CounterCase {
        const char* name;
        std::string file;
        std::int32_t before[4];  // practiceDrawn, practiceShown, testDrawn, randomAnswered
        std::int32_t after[4];
    };
    const CounterCase cases[] = {
        {"out of range for three entries", testing::kWorkedExample, {10, 3, 7, 4}, {0, 0, 0, 0}},
        {"in range: kept", testing::kWorkedExample, {2, 1, 2, 3}, {2, 1, 2, 3}},
        {"negative", testing::kWorkedExample, {-1, -5, -2, -3}, {0, 0, 0, 0}},
        {"no entries", "apple\n", {1, 1, 1, 1}, {0, 0, 0, 0}},
    };
    int n = 0;
    for (const auto& c : cases) {
        drill.practiceDrawn = c.before[0];
        drill.practiceShown = c.before[1];
        drill.testDrawn = c.before[2];
        drill.randomAnswered = c.before[3];
        drill.randomPassStarted = 1;
        Load(dir_.Write("c" + std::to_string(n++) + ".txt", c.file));
        EXPECT_EQ(drill.practiceDrawn, c.after[0]) << c.name;
        EXPECT_EQ(drill.practiceShown, c.after[1]) << c.name;
        EXPECT_EQ(drill.testDrawn, c.after[2]) << c.name;
        EXPECT_EQ(drill.randomAnswered, c.after[3]) << c.name;
        EXPECT_EQ(drill.randomPassStarted, 1) << c.name << ": pass flags are left alone";
        for (std::int32_t s = 0; s < drill.wordCount + kSpareRecords; ++s)
            EXPECT_EQ(drill.drawnIndices[s], -1) << c.name << " slot " << s;
    }
}

TEST_F(LoadWordListTest, AFileWithoutChineseIsALoadedEmptyList) {
    for (const std::string& file : {std::string(), std::string("apple\nbanana\n")}) {
        Load(dir_.Write("empty.txt", file));
        EXPECT_EQ(drill.listLoaded, 1);
        EXPECT_EQ(drill.wordCount, 0);
        EXPECT_EQ(drill.wordCountF, 0.0f);
        ASSERT_NE(drill.WordTable, nullptr);
        for (int s = 0; s < kSpareRecords; ++s) {
            EXPECT_STREQ(drill.WordTable.load()[s].word, "");
            EXPECT_STREQ(drill.WordTable.load()[s].meaning, "");
        }
    }
}

// File names here are UTF-8 bytes; on Windows list paths are GBK and the
// Windows tests open Chinese paths through the system's wide calls.
#if !defined(_WIN32)
TEST_F(LoadWordListTest, ListsInChineseFoldersAndLongPathsOpenTheirOwnList) {
    Load(dir_.Write("previous.txt", testing::kWorkedExample));
    ASSERT_EQ(drill.wordCount, 3);
    // 单词表 (UTF-8, as Linux file names are) nested until the path passes
    // 300 bytes; the list itself is saved as UTF-8 too.
    std::filesystem::path folder = dir_.path();
    while (folder.string().size() < 300) folder /= "\xE5\x8D\x95\xE8\xAF\x8D\xE8\xA1\xA8";
    std::filesystem::create_directories(folder);
    const std::filesystem::path list = folder / "\xE6\xB0\xB4\xE6\x9E\x9C.txt";  // 水果.txt
    std::ofstream(list, std::ios::binary) << "pear \xE6\xA2\xA8\nbanana \xE9\xA6\x99\xE8\x95\x89\n";
    ASSERT_GE(list.string().size(), 300u);

    Load(list.string());
    EXPECT_EQ(drill.listLoaded, 1);
    EXPECT_EQ(TableRecords(), (Records{{"pear", "\xC0\xE6"}, {"banana", kBanana}}));  // 梨, 香蕉
    EXPECT_STREQ(drill.listPath, list.c_str());
    EXPECT_EQ(std::filesystem::current_path(), startDirectory_);

    Cancel();
    LoadWordList();
    EXPECT_EQ(drill.wordCount, 2) << "a cancel reads the long path again";
}
#endif

TEST_F(LoadWordListTest, SampleListsLoad) {
    const std::filesystem::path lists = std::filesystem::path(KESTRAN_SOURCE_DIR) / "lists";
    Load((lists / "everyday-100.txt").string());
    ASSERT_EQ(drill.wordCount, 100);
    const WordRecord* table = drill.WordTable;
    EXPECT_STREQ(table[0].word, "apple");
    EXPECT_STREQ(table[0].meaning, kApple.c_str());
    EXPECT_STREQ(table[99].word, "happy");
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(std::strpbrk(table[i].word, "\r\n\t"), nullptr) << i;
        EXPECT_EQ(std::strpbrk(table[i].meaning, "\r\n"), nullptr) << i << ": CR LF ends are not kept";
    }

    Load((lists / "phrases.txt").string());
    ASSERT_GE(drill.wordCount, 10);
    table = drill.WordTable;
    EXPECT_STREQ(table[0].word, "ice cream");
    bool sawRun = false;
    for (int i = 0; i < drill.wordCount; ++i)
        if (std::strcmp(table[i].word, "run") == 0) {
            sawRun = true;
            EXPECT_STREQ(table[i].meaning, "\xC5\xDC (v.)");  // 跑 (v.)
        }
    EXPECT_TRUE(sawRun);
}

}  // namespace
}  // namespace kestran

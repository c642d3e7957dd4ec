// The learner's progress in the word books as text, and the chooser's menus
// made from it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "features/wordbooks/chapter_progress.h"
#include "features/wordbooks/chooser_menus.h"
#include "platform/gbk.h"

namespace {

using namespace kestran::wordbooks;

TEST(WordBooksProgress, TheFileKeepsLearnedChaptersTheBestScoreAndTheLastBookAndLeavesOtherLinesAlone) {
    struct Case {
        std::string text;
        std::vector<std::string> expected;  // "book chapter learned best", then "last book", then other lines
        std::string written;
    } cases[] = {
        {"last\t四级\n四级\t1\t90\n四级\t2\t-\n", {"四级 1 1 90", "四级 2 1 -1", "last 四级"},
         "last\t四级\n四级\t1\t90\n四级\t2\t-\n"},
        {"\xEF\xBB\xBF四级\t1\t80\r\n四级\t1\t95\r\n四级\t1\t-\r\n", {"四级 1 1 95", "last "},  // BOM, CRLF, repeats: the best
         "四级\t1\t95\n"},
        {"# mine\n四级\t0\t50\n四级\t1\t101\n四级\tx\t5\nlast\t\n\t1\t5\n", {"last ", "# mine", "四级\t0\t50",
         "四级\t1\t101", "四级\tx\t5", "last\t", "\t1\t5"},
         "# mine\n四级\t0\t50\n四级\t1\t101\n四级\tx\t5\nlast\t\n\t1\t5\n"},
        {"", {"last "}, ""},
    };
    for (const Case& c : cases) {
        const Progress progress = ParseProgress(c.text);
        std::vector<std::string> seen;
        for (const auto& [key, state] : progress.chapters)
            seen.push_back(key.first + " " + std::to_string(key.second) + " " + std::to_string(state.learned) + " " +
                           std::to_string(state.bestScore));
        seen.push_back("last " + progress.lastBook);
        for (const std::string& line : progress.otherLines) seen.push_back(line);
        EXPECT_EQ(seen, c.expected) << c.text;
        EXPECT_EQ(ProgressText(progress), c.written) << c.text;
        EXPECT_EQ(ParseProgress(ProgressText(progress)), progress) << "read back as written";
    }
}

// A menu as "text|hint|checked|separator|choice" lines in UTF-8.
std::vector<std::string> Shown(const std::vector<MenuLine>& lines) {
    std::vector<std::string> shown;
    for (const MenuLine& line : lines)
        shown.push_back(plat::GbkToUtf8(line.text) + "|" + plat::GbkToUtf8(line.hint) + "|" + (line.checked ? "v" : "") +
                        "|" + (line.separatorBefore ? "-" : "") + "|" +
                        "BGC"[static_cast<int>(line.choice.kind)] + std::to_string(line.choice.book) + ":" +
                        std::to_string(line.choice.first) + "-" + std::to_string(line.choice.last));
    return shown;
}

std::string Extra(const Book& book, int chapter) {
    return chapter == 0 ? plat::Utf8ToGbk("到期 3") : book.folder == "四级" && chapter == 2 ? "*" : "";
}

TEST(WordBooksProgress, TheMenusShowTheBooksThenChaptersOrGroupsWithTheirStatesAndContinueAtTheTop) {
    const std::vector<Book> books{{"高考", "高考", 45, 1350}, {"四级", "四级", 3, 90}};
    Progress progress;
    EXPECT_EQ(Shown(BooksMenu(books, progress, nullptr)),
              (std::vector<std::string>{"高考|1350词 · 学过 0/45章|||B0:1-45", "四级|90词 · 学过 0/3章|||B1:1-3"}));
    // A later chapter learned first: 继续学习 is still the first not learned.
    // A lower score or a practice pass after a score keeps the best.
    progress.Finished("四级", 1, 85);
    progress.Finished("四级", 1, 60);
    progress.Finished("四级", 1, -1);
    progress.Finished("高考", 21, -1);
    progress.lastBook = "四级";
    EXPECT_EQ(Shown(BooksMenu(books, progress, Extra)),
              (std::vector<std::string>{"继续学习：四级 第2章||||C1:2-2", "高考  到期 3|1350词 · 学过 1/45章||-|B0:1-45",
                                        "四级  到期 3|90词 · 学过 1/3章|||B1:1-3"}));
    EXPECT_EQ(Shown(BookMenu(books, 1, progress, Extra)),
              (std::vector<std::string>{"继续学习：第2章||||C1:2-2", "第1章|学过 · 最高 85分|v|-|C1:1-1",
                                        "第2章  *|未学|||C1:2-2", "第3章|未学|||C1:3-3"}));
    EXPECT_EQ(Shown(BookMenu(books, 0, progress, nullptr)),
              (std::vector<std::string>{"继续学习：第1章||||C0:1-1", "第1-20章|学过 0/20||-|G0:1-20",
                                        "第21-40章|学过 1/20|||G0:21-40", "第41-45章|学过 0/5|||G0:41-45"}));
    EXPECT_EQ(Shown(GroupMenu(books, 0, 41, 45, progress, nullptr)).back(), "第45章|未学|||C0:45-45");
    EXPECT_EQ(GroupMenu(books, 0, 21, 40, progress, nullptr).size(), 20u);
    EXPECT_TRUE(GroupMenu(books, 0, 21, 40, progress, nullptr)[0].checked);

    progress.Finished("四级", 2, -1);
    progress.Finished("四级", 3, 60);
    EXPECT_EQ(Shown(BooksMenu(books, progress, nullptr))[0], "高考|1350词 · 学过 1/45章|||B0:1-45")
        << "no 继续学习 once the last book is learned whole";
    EXPECT_EQ(Shown(BookMenu(books, 1, progress, nullptr))[0], "第1章|学过 · 最高 85分|v||C1:1-1");
}

}  // namespace

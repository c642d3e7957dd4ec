#include "features/wordbooks/chooser_menus.h"

#include <algorithm>

#include "platform/gbk.h"

namespace kestran::wordbooks {
namespace {

// The texts are written here in UTF-8 and shown in GBK, like the books' names.
std::string Gbk(const std::string& utf8) { return plat::Utf8ToGbk(utf8); }

std::string WithExtra(std::string gbk, ExtraText extra, const Book& book, int chapter) {
    if (!extra) return gbk;
    const std::string more = extra(book, chapter);
    return more.empty() ? gbk : gbk + "  " + more;
}

std::string ChapterName(int chapter) { return "第" + std::to_string(chapter) + "章"; }

std::string ContinueText(const Book* book, int chapter) {
    return Gbk("继续学习：" + (book ? book->name + " " : std::string()) + ChapterName(chapter));
}

MenuLine ChapterLine(const Book& book, int index, int chapter, const Progress& progress, ExtraText extra) {
    const ChapterState state = progress.Of(book.folder, chapter);
    std::string hint = state.learned ? "学过" : "未学";
    if (state.bestScore >= 0) hint += " · 最高 " + std::to_string(state.bestScore) + "分";
    MenuLine line;
    line.text = WithExtra(Gbk(ChapterName(chapter)), extra, book, chapter);
    line.hint = Gbk(hint);
    line.checked = state.learned;
    line.choice = Choice{Choice::Kind::Chapter, index, chapter, chapter};
    return line;
}

int LearnedAmong(const Book& book, int first, int last, const Progress& progress) {
    int count = 0;
    for (int chapter = first; chapter <= last; ++chapter) count += progress.Of(book.folder, chapter).learned ? 1 : 0;
    return count;
}

void AddContinue(std::vector<MenuLine>& lines, const std::vector<Book>& books, int index, const Progress& progress,
                 bool nameTheBook) {
    const Book& book = books[index];
    const int next = progress.NextChapter(book.folder, book.chapters);
    if (next == 0) return;
    MenuLine line;
    line.text = ContinueText(nameTheBook ? &book : nullptr, next);
    line.choice = Choice{Choice::Kind::Chapter, index, next, next};
    lines.push_back(line);
}

}  // namespace

std::string ChooserItemText() { return Gbk("词库"); }

std::vector<MenuLine> BooksMenu(const std::vector<Book>& books, const Progress& progress, ExtraText extra) {
    std::vector<MenuLine> lines;
    for (int i = 0; i < static_cast<int>(books.size()); ++i)
        if (books[i].folder == progress.lastBook) AddContinue(lines, books, i, progress, true);
    for (int i = 0; i < static_cast<int>(books.size()); ++i) {
        const Book& book = books[i];
        MenuLine line;
        line.text = WithExtra(Gbk(book.name), extra, book, 0);
        line.hint = Gbk(std::to_string(book.words) + "词 · 学过 " + std::to_string(progress.LearnedCount(book.folder)) +
                        "/" + std::to_string(book.chapters) + "章");
        line.separatorBefore = i == 0 && !lines.empty();
        line.choice = Choice{Choice::Kind::Book, i, 1, book.chapters};
        lines.push_back(line);
    }
    return lines;
}

std::vector<MenuLine> BookMenu(const std::vector<Book>& books, int index, const Progress& progress, ExtraText extra) {
    const Book& book = books[index];
    std::vector<MenuLine> lines;
    AddContinue(lines, books, index, progress, false);
    const std::size_t firstOfBook = lines.size();
    if (book.chapters <= kChaptersShownWhole) {
        for (int chapter = 1; chapter <= book.chapters; ++chapter)
            lines.push_back(ChapterLine(book, index, chapter, progress, extra));
    } else {
        for (int first = 1; first <= book.chapters; first += kGroupSize) {
            const int last = std::min(book.chapters, first + kGroupSize - 1);
            MenuLine line;
            line.text = Gbk("第" + std::to_string(first) + "-" + std::to_string(last) + "章");
            line.hint = Gbk("学过 " + std::to_string(LearnedAmong(book, first, last, progress)) + "/" +
                            std::to_string(last - first + 1));
            line.choice = Choice{Choice::Kind::Group, index, first, last};
            lines.push_back(line);
        }
    }
    if (firstOfBook > 0 && firstOfBook < lines.size()) lines[firstOfBook].separatorBefore = true;
    return lines;
}

std::vector<MenuLine> GroupMenu(const std::vector<Book>& books, int index, int first, int last,
                                const Progress& progress, ExtraText extra) {
    const Book& book = books[index];
    std::vector<MenuLine> lines;
    for (int chapter = std::max(1, first); chapter <= std::min(last, book.chapters); ++chapter)
        lines.push_back(ChapterLine(book, index, chapter, progress, extra));
    return lines;
}

}  // namespace kestran::wordbooks

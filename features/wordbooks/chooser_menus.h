// The 词库 chooser's menus as lines of a popup menu: the books, then a
// book's chapters (in groups of kGroupSize when there are more than
// kChaptersShownWhole), each with its state, and 继续学习 at the top, which
// goes straight to the next chapter not yet learned.
#pragma once

#include <string>
#include <vector>

#include "features/wordbooks/book_list.h"
#include "features/wordbooks/chapter_progress.h"

namespace kestran::wordbooks {

inline constexpr int kChaptersShownWhole = 30;
inline constexpr int kGroupSize = 20;

// What choosing a line does.
struct Choice {
    enum class Kind { Book, Group, Chapter };
    Kind kind = Kind::Book;
    int book = 0;              // index into the books
    int first = 0, last = 0;   // Group: its chapters; Chapter: first == last == the chapter
    bool operator==(const Choice&) const = default;
};

struct MenuLine {
    std::string text;  // GBK
    std::string hint;  // GBK, shown at the right
    bool checked = false;
    bool separatorBefore = false;
    Choice choice;
};

// A text added after a book's line (chapter 0) or a chapter's, GBK; empty
// for none. For a feature that knows more about the words, e.g. how many
// are due for review. Null: nothing is added.
using ExtraText = std::string (*)(const Book& book, int chapter);

std::vector<MenuLine> BooksMenu(const std::vector<Book>& books, const Progress& progress, ExtraText extra);
std::vector<MenuLine> BookMenu(const std::vector<Book>& books, int book, const Progress& progress, ExtraText extra);
std::vector<MenuLine> GroupMenu(const std::vector<Book>& books, int book, int first, int last,
                                const Progress& progress, ExtraText extra);

// The GBK text of the canvas menu's item, 词库.
std::string ChooserItemText();

}  // namespace kestran::wordbooks

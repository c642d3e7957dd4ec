#include "features/wordbooks/wordbooks.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "features/background_queue.h"
#include "features/feature_menu.h"
#include "features/wordbooks/library_folder.h"
#include "features/wordbooks/progress_store.h"
#include "platform/gbk.h"
#include "platform/platform.h"
#include "platform/user_data.h"
#include "drill/load_word_list.h"

namespace kestran::wordbooks {
namespace fs = std::filesystem;
namespace {

// What the chooser shows, known in memory so that UiThread never waits for
// the disk: filled and kept up to date by the feature's own thread, changed
// at once by the hooks (the file follows).
struct Known {
    std::mutex mutex;
    fs::path library;
    std::vector<Book> books;
    Progress progress;
    int currentBook = -1;  // the chapter that is the list now, if one is
    int currentChapter = 0;
};
// Never destroyed: the feature's thread may still use it while the process ends.
Known& TheKnown() {
    static auto* known = new Known();
    return *known;
}

ExtraText extraText = nullptr;

// The file's work, in order, off the drill's threads. Never destroyed: its
// thread runs until the process ends.
BackgroundQueue& Writes() {
    static auto* queue = new BackgroundQueue();
    return *queue;
}

// What this process knows and the file says, together: a chapter learned
// in either is learned, with the better score.
void MergeInto(Progress& into, const Progress& from) {
    for (const auto& [key, state] : from.chapters)
        if (state.learned) into.Finished(key.first, key.second, state.bestScore);
    if (into.lastBook.empty()) into.lastBook = from.lastBook;
}

// A file that could not be read or written leaves what is known as it was
// (the store has told the learner).
void NoteFileResult(const std::optional<Progress>& file) {
    if (!file) return;
    Known& known = TheKnown();
    std::lock_guard lock(known.mutex);
    Progress merged = *file;
    MergeInto(merged, known.progress);
    if (!known.progress.lastBook.empty()) merged.lastBook = known.progress.lastBook;
    known.progress = std::move(merged);
}

// Applies the change in memory now and to the file on the feature's thread.
void Change(std::function<void(Progress&)> change) {
    {
        Known& known = TheKnown();
        std::lock_guard lock(known.mutex);
        change(known.progress);
    }
    Writes().Post([change] {
        ProgressStore store;
        std::optional<Progress> after;
        if (store.Change([&](Progress& progress) {
                change(progress);
                after = progress;
            })) {
            NoteFileResult(after);
        } else {
            NoteFileResult(std::nullopt);
        }
    });
}

void ReadFiles(const fs::path& library) {
    std::vector<Book> books = ReadBooks(library);
    const std::optional<Progress> file = ProgressStore().Read();
    {
        Known& known = TheKnown();
        std::lock_guard lock(known.mutex);
        known.library = library;
        known.books = std::move(books);
    }
    if (file) NoteFileResult(file);
}

// --- Paths --------------------------------------------------------------------

std::string Utf8(const fs::path& path) {
    const std::u8string u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

// A path in the loader's form when that form is the path itself (GBK holds
// it); empty otherwise.
std::string PlainListPath(const std::string& utf8) {
    std::string path = plat::ListPathFromDataPath(utf8);
    return !path.empty() && plat::DataPathFromListPath(path) == utf8 ? path : std::string();
}

// A file's path in the loader's form (GBK on Windows); empty when that form
// cannot name it.
std::string ListPathOf(const fs::path& file) {
    if (std::string path = PlainListPath(Utf8(file)); !path.empty()) return path;
    // A folder name GBK cannot hold (most often above the program's folder):
    // the short form would hide the book's and the chapter's names from
    // whoever is told which list loaded, so the path from the program's own
    // folder, where it works, comes first.
    std::error_code error;
    fs::path relative = fs::relative(file, fs::current_path(error), error);
    if (error) relative.clear();
    if (std::string path = relative.empty() ? "" : PlainListPath(Utf8(relative)); !path.empty()) return path;
    if (std::string path = plat::ListPathFromDataPath(Utf8(file)); !path.empty()) return path;
    // No short form either (a volume without them): any form of the path from there.
    return relative.empty() ? std::string() : plat::ListPathFromDataPath(Utf8(relative));
}

fs::path FileOfListPath(const char* path) {
    const std::string utf8 = plat::DataPathFromListPath(path);
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

// --- Hooks --------------------------------------------------------------------

// UiThread: is the list a chapter of a book?
void OnListLoaded(const char* path, bool loaded) {
    int book = -1, chapter = 0;
    std::string folder;
    {
        Known& known = TheKnown();
        std::lock_guard lock(known.mutex);
        if (loaded && path) {
            const fs::path file = FileOfListPath(path);
            for (int i = 0; i < static_cast<int>(known.books.size()) && chapter == 0; ++i)
                if ((chapter = ChapterOf(file, known.books[i])) != 0) book = i;
        }
        known.currentBook = book;
        known.currentChapter = chapter;
        if (book >= 0) folder = known.books[book].folder;
    }
    if (!folder.empty()) Change([folder](Progress& progress) { progress.lastBook = folder; });
}

void ChapterFinished(int score) {
    std::string folder;
    int chapter = 0;
    {
        Known& known = TheKnown();
        std::lock_guard lock(known.mutex);
        if (known.currentBook < 0) return;
        folder = known.books[known.currentBook].folder;
        chapter = known.currentChapter;
    }
    Change([folder, chapter, score](Progress& progress) { progress.Finished(folder, chapter, score); });
}

// TickerThread.
void OnPracticePassFinished() { ChapterFinished(-1); }
// UiThread.
void OnTestResult() { ChapterFinished(drill.testScore); }

// --- The chooser ----------------------------------------------------------------

constexpr char kCannotOpen[] = "打不开词库的这一章：\n";

// Shows the lines as a popup menu; the choice, or null when dismissed.
std::optional<Choice> Ask(const std::vector<MenuLine>& lines, int x, int y) {
    if (lines.empty()) return std::nullopt;
    std::vector<plat::PopupMenuItem> items;
    for (const MenuLine& line : lines)
        items.push_back(plat::PopupMenuItem{line.text.c_str(), line.hint.c_str(), line.checked, false,
                                            line.separatorBefore});
    const int chosen = plat::ShowPopupMenu(MainDialog, Canvas, x, y, items.data(), static_cast<int>(items.size()));
    if (chosen < 0 || chosen >= static_cast<int>(lines.size())) return std::nullopt;
    return lines[chosen].choice;
}

void OpenChapter(const fs::path& library, const Book& book, int chapter) {
    const fs::path file = ChapterFile(library, book, chapter);
    const std::string path = ListPathOf(file);
    if (!path.empty() && LoadWordListFrom(path.c_str())) return;
    const std::u8string shown = file.u8string();
    const std::string text = plat::Utf8ToGbk(kCannotOpen + std::string(shown.begin(), shown.end()));
    plat::MessageBox(MainDialog, text.c_str(), "KESTRAN", plat::MB_ICONWARNING);
}

// Where the chooser appears: near the canvas's top-left corner, like the
// menu opened from the keyboard.
constexpr int kChooserX = 24;
constexpr int kChooserY = 24;

std::string ItemText() { return ChooserItemText(); }
bool HasBooks() {
    Known& known = TheKnown();
    std::lock_guard lock(known.mutex);
    return !known.books.empty();
}

}  // namespace

void OpenChooser() {
    fs::path library;
    std::vector<Book> books;
    Progress progress;
    {
        Known& known = TheKnown();
        std::lock_guard lock(known.mutex);
        library = known.library;
        books = known.books;
        progress = known.progress;
    }
    // Another window may have learned chapters meanwhile: the next opening shows them.
    Writes().Post([] {
        if (const std::optional<Progress> file = ProgressStore().Read()) NoteFileResult(file);
    });
    if (books.empty()) return;

    std::optional<Choice> choice = Ask(BooksMenu(books, progress, extraText), kChooserX, kChooserY);
    if (choice && choice->kind == Choice::Kind::Book)
        choice = Ask(BookMenu(books, choice->book, progress, extraText), kChooserX, kChooserY);
    if (choice && choice->kind == Choice::Kind::Group)
        choice = Ask(GroupMenu(books, choice->book, choice->first, choice->last, progress, extraText), kChooserX,
                     kChooserY);
    if (choice && choice->kind == Choice::Kind::Chapter) OpenChapter(library, books[choice->book], choice->first);
}

void Install() {
    hooks::listLoaded.Add(OnListLoaded);
    hooks::testResultShown.Add(OnTestResult);
    hooks::practicePassFinished.Add(OnPracticePassFinished);
    // A chapter learned just before the end is kept: its line is small.
    hooks::programEnding.Add([] { Writes().FlushWithin(std::chrono::milliseconds(200)); });
    menu::AddItem({ItemText, plat::VK_F1 + 6, nullptr, HasBooks, OpenChooser, true});
    Writes().Post([] { ReadFiles(LibraryFolder()); });
}

void SetExtraText(ExtraText extra) { extraText = extra; }

Progress KnownProgress() {
    Known& known = TheKnown();
    std::lock_guard lock(known.mutex);
    return known.progress;
}

void WaitForProgressWrites() { Writes().Flush(); }

void UseLibraryForTest(const fs::path& library) {
    {
        Known& known = TheKnown();
        std::lock_guard lock(known.mutex);
        known.progress = Progress{};
        known.currentBook = -1;
        known.currentChapter = 0;
    }
    Writes().Post([library] { ReadFiles(library); });
    Writes().Flush();
}

}  // namespace kestran::wordbooks

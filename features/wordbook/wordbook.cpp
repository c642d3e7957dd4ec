#include "features/wordbook/wordbook.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "drill/current_entry.h"
#include "drill/drill_state.h"
#include "drill/feature_hooks.h"
#include "features/background_queue.h"
#include "features/feature_menu.h"
#include "features/wordbook/book_store.h"
#include "platform/platform.h"
#include "platform/user_data.h"
#include "drill/load_word_list.h"

namespace kestran::wordbook {
namespace {

constexpr char kBookStem[] = "\xB4\xED\xCC\xE2\xB1\xBE";           // 错题本
constexpr char kRoundStem[] = "\xB1\xBE\xC2\xD6\xB4\xED\xB4\xCA";  // 本轮错词
constexpr char kPracticeRound[] = "\xC1\xB7\xCF\xB0\xB1\xBE\xC2\xD6\xB4\xED\xB4\xCA";  // 练习本轮错词
constexpr char kOpenBook[] = "\xB4\xF2\xBF\xAA\xB4\xED\xCC\xE2\xB1\xBE";               // 打开错题本
constexpr char kRemoveWord[] = "\xB4\xD3\xB4\xED\xCC\xE2\xB1\xBE\xC9\xBE\xC8\xA5\xB4\xCB\xB4\xCA";  // 从错题本删去此词

// The current round, written by TickerThread (practice misses), UiThread
// (test answers, the start of a round) and RenderThread (a click that
// starts one), read by UiThread.
//
// A round that has begun takes over from the one before only with its
// first miss or test answer: until then the misses of the round just
// finished stay, so that after acknowledging a result (or switching to
// practice) the learner can still drill them.
struct Round {
    std::mutex mutex;
    std::vector<BookEntry> misses;  // each once, in order
    std::vector<BookEntry> rights;  // right test answers, while the book is the list
    bool nextRoundBegun = false;

    void TakeOverIfBegun() {
        if (!nextRoundBegun) return;
        misses.clear();
        rights.clear();
        nextRoundBegun = false;
    }
};
Round& TheRound() {
    static Round round;
    return round;
}

// Whether the list loaded now is the book.
std::atomic<bool> bookIsList{false};

// The book's writes, in order, off the drill's threads. Never destroyed:
// its thread runs until the process ends.
BackgroundQueue& BookWrites() {
    static auto* queue = new BackgroundQueue();
    return *queue;
}

// The data folder is looked up at each use: tests move it.
BookStore Book() { return BookStore(plat::UserDataFolder(), kBookStem); }

std::string WithCount(const char* text, std::size_t count) { return std::string(text) + " (" + std::to_string(count) + ")"; }

void NoteMiss(const WordRecord& record) {
    const BookEntry entry = EntryOf(record);
    if (!Storable(entry)) return;
    {
        Round& round = TheRound();
        std::lock_guard lock(round.mutex);
        round.TakeOverIfBegun();
        if (std::find(round.misses.begin(), round.misses.end(), entry) == round.misses.end())
            round.misses.push_back(entry);
    }
    BookWrites().Post([entry] { Book().Add({entry}); });
}

// --- Hooks --------------------------------------------------------------------

void OnTestAnswer(const WordRecord& record, bool right) {
    if (!right) {
        NoteMiss(record);
        return;
    }
    Round& round = TheRound();
    std::lock_guard lock(round.mutex);
    round.TakeOverIfBegun();
    if (bookIsList) round.rights.push_back(EntryOf(record));
}

// The entries answered right in this test of the book leave it.
void OnTestResult() {
    std::vector<BookEntry> leaving;
    {
        Round& round = TheRound();
        std::lock_guard lock(round.mutex);
        leaving.swap(round.rights);
    }
    if (bookIsList && !leaving.empty()) BookWrites().Post([leaving] { Book().Remove(leaving); });
}

void OnRoundStarted() {
    Round& round = TheRound();
    std::lock_guard lock(round.mutex);
    round.nextRoundBegun = true;
}

void OnListLoaded(const char* path, bool loaded) {
    OnRoundStarted();
    bookIsList = loaded && path && plat::SameFile(path, BookPath());
}

// --- Menu items -----------------------------------------------------------------

std::size_t BookSize() {
    WaitForBookWrites();
    const auto entries = Book().Read();
    return entries ? entries->size() : 0;
}

std::string PracticeRoundText() { return WithCount(kPracticeRound, RoundMisses().size()); }
bool RoundHasMisses() { return !RoundMisses().empty(); }
void PracticeRound() {
    const std::vector<BookEntry> misses = RoundMisses();
    if (misses.empty() || !plat::CreateUserDataFolder()) return;
    const BookStore roundList(plat::UserDataFolder(), kRoundStem);
    if (!plat::WriteFileAtomically(roundList.Path(), BookText(misses))) return;
    LoadWordListFrom(roundList.Path().c_str());
}

std::string OpenBookText() { return WithCount(kOpenBook, BookSize()); }
bool BookHasEntries() { return BookSize() > 0; }
void OpenBook() {
    WaitForBookWrites();
    LoadWordListFrom(BookPath().c_str());
}

// The word on the canvas (practice) or the entry asked (test); none while
// an end message or a result is shown.
const WordRecord* EntryOnCanvas() {
    if (drill.testMode == 1) return drill.testFinished == 0 ? CurrentEntry(drill.testIndex) : nullptr;
    return drill.practiceFinished == 0 ? CurrentEntry(drill.practiceIndex) : nullptr;
}

std::string RemoveWordText() { return kRemoveWord; }
bool CanRemoveWord() {
    if (!bookIsList) return false;
    const WordRecord* entry = EntryOnCanvas();
    if (!entry) return false;
    WaitForBookWrites();
    const auto book = Book().Read();
    return book && std::find(book->begin(), book->end(), EntryOf(*entry)) != book->end();
}
void RemoveWord() {
    if (const WordRecord* entry = EntryOnCanvas()) {
        const BookEntry gone = EntryOf(*entry);
        BookWrites().Post([gone] { Book().Remove({gone}); });
    }
}

}  // namespace

void Install() {
    hooks::practiceWordMissed.Add(NoteMiss);
    hooks::testAnswerJudged.Add(OnTestAnswer);
    hooks::testResultShown.Add(OnTestResult);
    hooks::roundStarted.Add(OnRoundStarted);
    hooks::listLoaded.Add(OnListLoaded);
    menu::AddItem({PracticeRoundText, plat::VK_F1 + 3, nullptr, RoundHasMisses, PracticeRound, false});
    menu::AddItem({OpenBookText, plat::VK_F1 + 2, nullptr, BookHasEntries, OpenBook, false});
    menu::AddItem({RemoveWordText, plat::VK_F1 + 7, nullptr, CanRemoveWord, RemoveWord, false});
}

std::vector<BookEntry> RoundMisses() {
    Round& round = TheRound();
    std::lock_guard lock(round.mutex);
    return round.misses;
}

std::string BookPath() { return Book().Path(); }

void WaitForBookWrites() { BookWrites().Flush(); }

}  // namespace kestran::wordbook
